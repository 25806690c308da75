#include "cli/stop_signal.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace vlx::cli {
namespace {

std::atomic<bool> g_signalled{false};

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

void Say(const char* text, size_t length) {
  ssize_t ignored = ::write(STDERR_FILENO, text, length);
  (void)ignored;
}

// Waits for the stop signals on its own thread, where ordinary code may run.
void WatchSignals(StopFlag* flag, const std::function<void()>& end_at_once) {
  const sigset_t set = StopSignals();
  for (int received = 0;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    if (++received == 1) {
      g_signalled = true;
      flag->store(true);
      static const char kNotice[] = "\nStopping... (press Ctrl-C again to end at once)\n";
      Say(kNotice, sizeof kNotice - 1);
      continue;
    }
    static const char kEnd[] = "\nEnded at once; the temporary files were removed.\n";
    end_at_once();
    Say(kEnd, sizeof kEnd - 1);
    ::_exit(130);
  }
}

}  // namespace

void InstallStopSignal(StopFlag& flag, std::function<void()> end_at_once) {
  const sigset_t set = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(WatchSignals, &flag, std::move(end_at_once)).detach();
}

bool StopSignalled() {
  return g_signalled.load();
}

}  // namespace vlx::cli
