#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "automation/libreoffice/child_launcher.h"
#include "automation/libreoffice/office_connection.h"

namespace vlx::lo {

// Where and how one office runs.
struct OfficeSettings {
  std::string program;  // soffice.bin
  std::string folder;   // private folder: profile/, tmp/, office.log; ends in '/'
  std::string pipe_name;
  std::chrono::milliseconds connect_timeout{30000};
};

// One running office process and the connection to it.
class OfficeInstance {
 public:
  // Starts the office and connects; throws AutomationError when it cannot.
  static std::unique_ptr<OfficeInstance> Start(ChildLauncher& launcher,
                                               const OfficeSettings& settings);
  ~OfficeInstance();  // ends the process if it still runs (Terminate)
  OfficeInstance(const OfficeInstance&) = delete;
  OfficeInstance& operator=(const OfficeInstance&) = delete;

  const OfficeLink& link() const { return link_; }
  pid_t pid() const { return pid_; }

  // True once the process has ended (reaps it). Safe from any thread.
  bool HasEnded();
  // SIGKILL to the office's process group, then reaps it. Safe from any thread; calls
  // blocked in the office fail from then on.
  void Kill();
  // Asks the office to quit, which lets it remove its pipes; kills it when it has not
  // gone after `grace` (a hung office never answers).
  void Terminate(std::chrono::milliseconds grace);

 private:
  OfficeInstance(pid_t pid, std::string pipe_name, std::string folder);
  // Reaps without blocking; the exit status when it ended, -1 while it runs.
  int PollExit();
  // Adds the pipe sockets the running office holds to those removed at its end, and
  // writes them down in its folder for the sweep after a program that was killed.
  void NoteSockets();

  std::mutex mutex_;  // guards reaped_ against the watchdog thread
  pid_t pid_;
  bool reaped_ = false;
  std::string pipe_name_;
  std::string folder_;
  std::vector<std::string> sockets_;  // touched only by the owner's thread
  OfficeLink link_;
};

}  // namespace vlx::lo
