#include "engine/job/leftover_sweep.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

#include "engine/job/folder_tree.h"

namespace vlx {
namespace {

constexpr std::string_view kStem = "vlxTemp-";

// The pid in "vlxTemp-<pid>" or "vlxTemp-<pid>-..."; 0 for any other name.
pid_t OwnerOf(std::string_view name) {
  if (!name.starts_with(kStem)) return 0;
  name.remove_prefix(kStem.size());
  pid_t pid = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || pid <= 0) return 0;
  if (end != name.data() + name.size() && *end != '-') return 0;
  return pid;
}

bool ProcessGone(pid_t pid) {
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

int SweepDeadRunWorkspaces(const std::string& temp_folder) {
  DIR* dir = ::opendir(temp_folder.c_str());
  if (dir == nullptr) return 0;
  std::string base = temp_folder;
  if (base.empty() || base.back() != '/') base.push_back('/');
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    const pid_t owner = OwnerOf(entry->d_name);
    if (owner == 0 || owner == ::getpid() || !ProcessGone(owner)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (DeleteFolderTree(base + entry->d_name)) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace vlx
