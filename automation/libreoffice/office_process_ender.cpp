#include "automation/libreoffice/office_process_ender.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <thread>
#include <vector>

#include "automation/libreoffice/office_pipe_sockets.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/job/folder_tree.h"
#include "engine/job/workspace.h"

namespace vlx::lo {
namespace {

bool IsGone(const std::string& proc_root, pid_t pid) {
  OfficeProcess now;
  return !ReadOfficeProcess(proc_root, pid, &now) || now.zombie;
}

bool ProcessExists(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// The profile folders of a program that has gone are removed with its last office.
void RemoveLeftoverProfile(pid_t owner) {
  if (owner == ::getpid() || ProcessExists(owner)) return;
  std::string root = OfficeRootFolder(owner);
  root.pop_back();  // a trailing slash would make lstat follow a planted link
  struct stat info {};
  if (::lstat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
    return;
  }
  // A socket still bound keeps the folder (and its list) for the next sweep.
  if (!RemoveRecordedPipeSockets(root + "/")) return;
  DeleteFolderTree(root);
}

}  // namespace

bool EndOfficeProcess(const OfficeProcess& process, std::chrono::milliseconds wait,
                      const std::string& proc_root) {
  if (process.pid <= 0) return true;
  if (process.group == process.pid) ::kill(-process.pid, SIGKILL);
  ::kill(process.pid, SIGKILL);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!IsGone(proc_root, process.pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

int EndOwnOfficeProcesses(std::chrono::milliseconds wait_each, const std::string& proc_root) {
  std::vector<pid_t> given_up;
  int ended = 0;
  for (;;) {
    std::vector<OfficeProcess> found = FindOwnOfficeProcesses(proc_root);
    std::erase_if(found, [&](const OfficeProcess& p) {
      return std::find(given_up.begin(), given_up.end(), p.pid) != given_up.end();
    });
    if (found.empty()) return ended;
    const OfficeProcess& next = found.front();
    if (EndOfficeProcess(next, wait_each, proc_root)) {
      ++ended;
      RemoveLeftoverProfile(next.owner);
    } else {
      given_up.push_back(next.pid);
    }
  }
}

namespace {

// Our pipe sockets are /tmp/OSL_PIPE_<uid>_vlx_<pid>_...; the office leaves them when
// it is killed.
void RemoveStalePipes(const std::vector<pid_t>& owners_running) {
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_vlx_";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/tmp", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    pid_t owner = 0;
    const char* digits = name.data() + prefix.size();
    auto [end, parse_error] = std::from_chars(digits, name.data() + name.size(), owner);
    if (parse_error != std::errc() || *end != '_' || owner <= 0 || owner == ::getpid()) continue;
    if (ProcessExists(owner) ||
        std::find(owners_running.begin(), owners_running.end(), owner) != owners_running.end()) {
      continue;
    }
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
        info.st_uid == ::getuid()) {
      ::unlink(entry.path().c_str());
    }
  }
}

}  // namespace

void RemoveStaleOfficeFolders() {
  std::vector<pid_t> owners_running;
  for (const OfficeProcess& process : FindOfficeProcesses())
    owners_running.push_back(process.owner);
  RemoveStalePipes(owners_running);
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(Workspace::SystemTempPath(), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kOfficeRootPrefix)) continue;
    const char* digits = name.data() + kOfficeRootPrefix.size();
    pid_t owner = 0;
    auto [end, parse_error] = std::from_chars(digits, name.data() + name.size(), owner);
    if (parse_error != std::errc() || end != name.data() + name.size() || owner <= 0) continue;
    if (std::find(owners_running.begin(), owners_running.end(), owner) != owners_running.end()) {
      continue;
    }
    RemoveLeftoverProfile(owner);
  }
}

}  // namespace vlx::lo
