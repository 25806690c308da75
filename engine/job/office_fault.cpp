#include "engine/job/office_fault.h"

#include <mutex>

namespace vlx {
namespace {
std::mutex g_mutex;
std::optional<std::string> g_fault;
}  // namespace

void NoteOfficeFault(const std::string& text) {
  std::lock_guard lock(g_mutex);
  if (!g_fault) g_fault = text;
}

std::optional<std::string> TakeOfficeFault() {
  std::lock_guard lock(g_mutex);
  std::optional<std::string> fault = std::move(g_fault);
  g_fault.reset();
  return fault;
}

}  // namespace vlx
