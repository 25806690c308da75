#include "engine/job/write_failure.h"

#include <mutex>

namespace vlx {
namespace {
std::mutex g_mutex;
std::optional<std::string> g_failure;
}  // namespace

void NoteWriteFailure(const std::string& text) {
  std::lock_guard lock(g_mutex);
  if (!g_failure) g_failure = text;
}

std::optional<std::string> TakeWriteFailure() {
  std::lock_guard lock(g_mutex);
  std::optional<std::string> failure = std::move(g_failure);
  g_failure.reset();
  return failure;
}

}  // namespace vlx
