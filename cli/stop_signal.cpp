#include "cli/stop_signal.h"

#include <signal.h>
#include <unistd.h>

namespace vlx::cli {
namespace {

static_assert(StopFlag::is_always_lock_free, "the stop flag is set from a signal handler");

StopFlag* g_flag = nullptr;
volatile sig_atomic_t g_signalled = 0;

void OnStopSignal(int /*signal*/) {
  g_signalled = 1;
  if (g_flag != nullptr) g_flag->store(true);
  static const char kNotice[] = "\nStopping... (press Ctrl-C again to end at once)\n";
  ssize_t ignored = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
  (void)ignored;
}

}  // namespace

void InstallStopSignal(StopFlag& flag) {
  g_flag = &flag;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // The handler runs once; the next signal has its default effect and ends the process.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool StopSignalled() {
  return g_signalled != 0;
}

}  // namespace vlx::cli
