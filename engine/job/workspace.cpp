#include "engine/job/workspace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/job/folder_tree.h"

namespace vlx {
namespace {
std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}
}  // namespace

std::string Workspace::SystemTempPath() {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
  if (path.size() > 260) path = "/tmp";
  return WithSlash(path);
}

std::string Workspace::PerProcessName() { return "vlxTemp-" + std::to_string(::getpid()); }

Workspace::Workspace(std::string_view folder_name)
    : path_(WithSlash(SystemTempPath() + std::string(folder_name))) {}

Workspace Workspace::At(std::string path) {
  Workspace w;
  w.path_ = WithSlash(std::move(path));
  return w;
}

bool Workspace::Create(std::string* error) const {
  std::string folder = path_;
  folder.pop_back();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error != nullptr) *error = folder + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) {
    if (error != nullptr) *error = folder + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode)) {
    if (error != nullptr) *error = folder + " is not a folder of ours (a link or a file); refusing to use it";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    if (error != nullptr) *error = folder + " belongs to another user; refusing to use it";
    return false;
  }
  if ((st.st_mode & 077) != 0) ::chmod(folder.c_str(), 0700);
  return true;
}

bool Workspace::Delete() const {
  std::string folder = path_;
  folder.pop_back();
  return DeleteFolderTree(folder);
}

}  // namespace vlx
