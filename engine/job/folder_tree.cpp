#include "engine/job/folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"

namespace vlx {
namespace {

// Empties the folder open as dir_fd; false when an entry could not be removed.
bool EmptyFolder(int dir_fd) {
  DIR* dir = ::fdopendir(dir_fd);
  if (dir == nullptr) {
    ::close(dir_fd);
    return false;
  }
  bool ok = true;
  while (dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      break;
    }
    if (S_ISDIR(st.st_mode)) {
      const int child =
          ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0 || !EmptyFolder(child) || ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR) != 0) {
        ok = false;
        break;
      }
    } else {
      // Links are removed as links; a read-only file is removable once its folder is
      // writable, and the mode is cleared the way the read-only attribute would be.
      if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        ::fchmodat(::dirfd(dir), name, st.st_mode | S_IWUSR, 0);
      }
      if (::unlinkat(::dirfd(dir), name, 0) != 0) {
        ok = false;
        break;
      }
    }
  }
  ::closedir(dir);
  return ok;
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

bool DeleteFolderTree(const std::string& path) {
  const std::string folder = WithoutTrailingSlashes(path);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  if (!EmptyFolder(fd)) return false;
  return ::rmdir(folder.c_str()) == 0;
}

bool DeleteFolderTreeInUse(const std::string& path) {
  const std::string folder = WithoutTrailingSlashes(path);
  const std::string aside = folder + "-ending";
  if (::rename(folder.c_str(), aside.c_str()) != 0) return DeleteFolderTree(folder);
  return DeleteFolderTree(aside);
}

bool MakeFolder(const std::string& path) {
  if (Files().Mkdir(path.c_str(), 0755) == 0) return true;
  const int error = errno;
  struct stat st {};
  if (error == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  return NoteFailedCall(path, error);
}

}  // namespace vlx
