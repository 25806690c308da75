#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vlx::lo {

struct LaunchRequest {
  std::string program;
  std::vector<std::string> arguments;    // without the program name
  std::vector<std::string> environment;  // complete, "NAME=value"
  std::string output_path;               // stdout and stderr are appended here
};

// Starts child processes that die with this program: each child gets SIGKILL as its
// parent-death signal and a process group of its own. The kernel ties that signal to
// the thread that forked, so every fork happens on one thread owned by the launcher,
// which lives as long as the launcher, not on a short-lived worker thread.
class ChildLauncher {
 public:
  ChildLauncher();
  ~ChildLauncher();
  ChildLauncher(const ChildLauncher&) = delete;
  ChildLauncher& operator=(const ChildLauncher&) = delete;

  // The child's pid, or -1 with a reason in *error. A program that cannot be executed
  // shows as a child that exits with code 127 at once.
  pid_t Launch(const LaunchRequest& request, std::string* error);

 private:
  void Serve();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::function<void()> job_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vlx::lo
