#include "automation/libreoffice/office_process_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "automation/libreoffice/office_profile.h"

namespace vlx::lo {
namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// /proc/<pid>/stat: "pid (comm) state ppid pgrp ..."; comm may hold blanks and ')'.
bool ParseStat(const std::string& stat, OfficeProcess* process) {
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(stat.substr(close + 1));
  char state = 0;
  long parent = 0;
  long group = 0;
  if (!(fields >> state >> parent >> group)) return false;
  process->zombie = state == 'Z' || state == 'X';
  process->parent = static_cast<pid_t>(parent);
  process->group = static_cast<pid_t>(group);
  return true;
}

bool OwnerFromCommandLine(const std::string& cmdline, pid_t* owner) {
  size_t start = 0;
  while (start < cmdline.size()) {
    size_t end = cmdline.find('\0', start);
    if (end == std::string::npos) end = cmdline.size();
    if (auto found =
            ProfileOwnerFromArgument(std::string_view(cmdline).substr(start, end - start))) {
      *owner = *found;
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

bool ReadOfficeProcess(const std::string& proc_root, pid_t pid, OfficeProcess* process) {
  const std::string dir = proc_root + "/" + std::to_string(pid);
  struct stat info {};
  if (::stat(dir.c_str(), &info) != 0 || info.st_uid != ::getuid()) return false;
  OfficeProcess found;
  found.pid = pid;
  if (!ParseStat(ReadWholeFile(dir + "/stat"), &found)) return false;
  if (!OwnerFromCommandLine(ReadWholeFile(dir + "/cmdline"), &found.owner)) return false;
  *process = found;
  return true;
}

std::vector<OfficeProcess> FindOfficeProcesses(const std::string& proc_root) {
  std::vector<OfficeProcess> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(proc_root, error)) {
    const std::string name = entry.path().filename().string();
    pid_t pid = 0;
    auto [end, parse_error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (parse_error != std::errc() || end != name.data() + name.size() || pid <= 0) continue;
    OfficeProcess process;
    if (ReadOfficeProcess(proc_root, pid, &process)) found.push_back(process);
  }
  return found;
}

bool BelongsToThisProgram(const OfficeProcess& process, pid_t self) {
  return process.owner == self || process.parent != process.owner;
}

std::vector<OfficeProcess> FindOwnOfficeProcesses(const std::string& proc_root) {
  std::vector<OfficeProcess> own;
  const pid_t self = ::getpid();
  for (const OfficeProcess& process : FindOfficeProcesses(proc_root)) {
    if (!process.zombie && BelongsToThisProgram(process, self)) own.push_back(process);
  }
  return own;
}

}  // namespace vlx::lo
