#include "engine/job/workspace.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/folder_tree.h"

namespace vlx {
namespace {
std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

bool Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

// The workspaces deleted in use, never made again; Create and the deletion take turns.
std::mutex g_creation;
std::set<std::string> g_ended;
}  // namespace

std::string Workspace::SystemTempPath() {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  if (path.size() > 260) path = "/tmp";
  return WithSlash(path);
}

std::string Workspace::PerProcessName() {
  return "vlxTemp-" + std::to_string(::getpid());
}

Workspace Workspace::Fresh() {
  std::string pattern = SystemTempPath() + PerProcessName() + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return Workspace(PerProcessName());
  return At(pattern);
}

Workspace::Workspace(std::string_view folder_name)
    : path_(WithSlash(SystemTempPath() + std::string(folder_name))) {}

Workspace Workspace::At(std::string path) {
  Workspace w;
  w.path_ = WithSlash(std::move(path));
  return w;
}

bool Workspace::Create(std::string* error) const {
  const std::lock_guard<std::mutex> turn(g_creation);
  if (g_ended.count(path_) != 0)
    return Refuse(error, path_ + ": the run is ending; its workspace is not made again");
  std::string folder = path_;
  folder.pop_back();
  if (Files().Mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    NoteFailedCall(folder, errno);
    return Refuse(error, folder + ": " + std::strerror(errno));
  }
  // The name, never the path with a trailing slash: that would follow a link.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOTDIR)
      return Refuse(error,
                    folder + " is not a folder of ours (a link or a file); refusing to use it");
    return Refuse(error, folder + ": " + std::strerror(errno));
  }
  struct stat st {};
  const bool stat_ok = ::fstat(fd, &st) == 0;
  bool ours = stat_ok && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
  if (ours && (st.st_mode & 077) != 0) ours = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  if (!stat_ok) return Refuse(error, folder + ": " + std::strerror(errno));
  if (!ours) return Refuse(error, folder + " belongs to another user; refusing to use it");
  return true;
}

bool Workspace::DeleteInUse() const {
  {
    // A Create already under way finishes first; none starts after this.
    const std::lock_guard<std::mutex> turn(g_creation);
    g_ended.insert(path_);
  }
  return DeleteFolderTreeInUse(path_);
}

bool Workspace::Delete() const {
  std::string folder = path_;
  folder.pop_back();
  return DeleteFolderTree(folder);
}

}  // namespace vlx
