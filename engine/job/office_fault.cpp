#include "engine/job/office_fault.h"

#include <mutex>
#include <utility>
#include <vector>

namespace vlx {
namespace {
std::mutex g_mutex;
OfficeFaultSummary g_summary;
int g_faults = 0;
int g_recovered = 0;
std::vector<std::pair<std::string, int>> g_counted;  // in the order first lost
}  // namespace

void NoteOfficeFault(const std::string& text) {
  std::lock_guard lock(g_mutex);
  if (g_faults++ == 0) g_summary.first = text;
}

int OfficeFaultCount() {
  std::lock_guard lock(g_mutex);
  return g_faults;
}

void NoteOfficeFaultRecovered(const std::string& text) {
  std::lock_guard lock(g_mutex);
  if (g_recovered < g_faults) ++g_recovered;
  g_summary.recovered.push_back(text);
}

void NoteOfficeLoss(const std::string& text) {
  std::lock_guard lock(g_mutex);
  for (const std::string& kept : g_summary.losses)
    if (kept == text) return;
  g_summary.losses.push_back(text);
}

void CountOfficeLoss(const std::string& what) {
  std::lock_guard lock(g_mutex);
  for (auto& [kind, count] : g_counted) {
    if (kind == what) {
      ++count;
      return;
    }
  }
  g_counted.emplace_back(what, 1);
}

std::optional<OfficeFaultSummary> TakeOfficeFaults() {
  std::lock_guard lock(g_mutex);
  std::optional<OfficeFaultSummary> summary;
  for (const auto& [kind, count] : g_counted)
    g_summary.losses.push_back(std::to_string(count) + " " + kind);
  g_counted.clear();
  if (g_faults > 0) {
    summary = std::move(g_summary);
    summary->lost = g_recovered < g_faults || !summary->losses.empty();
  }
  g_summary = {};
  g_faults = 0;
  g_recovered = 0;
  return summary;
}

std::optional<std::string> TakeOfficeFault() {
  std::optional<OfficeFaultSummary> summary = TakeOfficeFaults();
  if (!summary || !summary->lost) return std::nullopt;
  return summary->first;
}

}  // namespace vlx
