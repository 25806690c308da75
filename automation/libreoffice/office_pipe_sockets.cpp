#include "automation/libreoffice/office_pipe_sockets.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace vlx::lo {
namespace {

// Inodes of the sockets among the process's descriptors ("socket:[12345]").
std::set<unsigned long> SocketInodes(pid_t pid) {
  std::set<unsigned long> inodes;
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
  DIR* fds = ::opendir(folder.c_str());
  if (fds == nullptr) return inodes;
  while (dirent* entry = ::readdir(fds)) {
    char target[64] = {};
    const std::string link = folder + "/" + entry->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    const std::string text(target, static_cast<size_t>(n));
    if (!text.starts_with("socket:[")) continue;
    inodes.insert(std::stoul(text.substr(8)));
  }
  ::closedir(fds);
  return inodes;
}

}  // namespace

std::vector<std::string> PipeSocketsOf(pid_t pid) {
  std::vector<std::string> paths;
  const std::set<unsigned long> inodes = SocketInodes(pid);
  if (inodes.empty()) return paths;
  const std::string prefix = "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_";
  // Num RefCount Protocol Flags Type St Inode Path
  std::ifstream table("/proc/" + std::to_string(pid) + "/net/unix");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string num, refs, protocol, flags, type, state, path;
    unsigned long inode = 0;
    if (!(fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> path)) continue;
    if (!inodes.count(inode) || !path.starts_with(prefix)) continue;
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  }
  return paths;
}

void RemovePipeSockets(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid())
      ::unlink(path.c_str());
  }
}

void RecordPipeSockets(const std::string& folder, const std::vector<std::string>& paths) {
  // Written under a temporary name and renamed, so a sweep never reads half a list.
  const std::string list = folder + "sockets";
  const std::string part = list + ".part";
  {
    std::ofstream out(part, std::ios::trunc);
    for (const std::string& path : paths) out << path << '\n';
    if (!out.flush()) {
      std::remove(part.c_str());
      return;
    }
  }
  std::rename(part.c_str(), list.c_str());
}

bool SocketPathIsBound(const std::string& path) {
  // Num RefCount Protocol Flags Type St Inode Path
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string num, refs, protocol, flags, type, state, bound;
    unsigned long inode = 0;
    if (!(fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> bound)) continue;
    if (bound == path) return true;
  }
  return false;
}

bool RemoveRecordedPipeSockets(const std::string& root, int* removed_count) {
  const std::string ours = "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_";
  int removed = 0;
  bool all_free = true;
  std::error_code error;
  for (const auto& office : std::filesystem::directory_iterator(root, error)) {
    // Only real folders of the list's owner: never through a planted link.
    if (!office.is_directory(error) || office.is_symlink(error)) continue;
    std::ifstream list(office.path() / "sockets");
    std::string path;
    while (std::getline(list, path)) {
      if (!path.starts_with(ours) || path.find("/", ours.size()) != std::string::npos) continue;
      struct stat info {};
      if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) ||
          info.st_uid != ::getuid()) {
        continue;
      }
      if (SocketPathIsBound(path)) {
        all_free = false;
        continue;
      }
      if (::unlink(path.c_str()) == 0) ++removed;
    }
  }
  if (removed_count != nullptr) *removed_count = removed;
  return all_free;
}

}  // namespace vlx::lo
