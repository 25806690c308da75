#include "automation/libreoffice/child_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>

namespace vlx::lo {
namespace {

std::vector<char*> PointerArray(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

pid_t ForkAndExec(const LaunchRequest& request, std::string* error) {
  std::vector<std::string> argv_strings{request.program};
  argv_strings.insert(argv_strings.end(), request.arguments.begin(), request.arguments.end());
  std::vector<std::string> env_strings = request.environment;
  std::vector<char*> argv = PointerArray(argv_strings);
  std::vector<char*> envp = PointerArray(env_strings);

  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int output =
      ::open(request.output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (input < 0 || output < 0) {
    *error =
        "cannot open the office's output file " + request.output_path + ": " + std::strerror(errno);
    if (input >= 0) ::close(input);
    if (output >= 0) ::close(output);
    return -1;
  }
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(126);
    ::setpgid(0, 0);
    // The tool blocks its stop signals for a thread of its own; the office must not
    // inherit that mask.
    sigset_t no_signals;
    sigemptyset(&no_signals);
    ::sigprocmask(SIG_SETMASK, &no_signals, nullptr);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    ::close_range(3, ~0U, 0);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  const int fork_errno = errno;
  ::close(input);
  ::close(output);
  if (child < 0) {
    *error = std::string("cannot start a process: ") + std::strerror(fork_errno);
    return -1;
  }
  ::setpgid(child, child);  // also from here, so the group exists before we use it
  return child;
}

}  // namespace

ChildLauncher::ChildLauncher() : thread_([this] { Serve(); }) {}

ChildLauncher::~ChildLauncher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ChildLauncher::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || job_; });
    if (stopping_) return;
    std::function<void()> job = std::move(job_);
    job_ = nullptr;
    wake_.notify_all();
    lock.unlock();
    job();
    lock.lock();
  }
}

pid_t ChildLauncher::Launch(const LaunchRequest& request, std::string* error) {
  std::packaged_task<pid_t()> task([&] { return ForkAndExec(request, error); });
  std::future<pid_t> result = task.get_future();
  {
    std::unique_lock lock(mutex_);
    // One launch at a time; a second caller waits until the slot is free.
    wake_.wait(lock, [this] { return !job_; });
    job_ = [&task] { task(); };
  }
  wake_.notify_all();
  return result.get();
}

}  // namespace vlx::lo
