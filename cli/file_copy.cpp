#include "cli/file_copy.h"

#include <sys/stat.h>

#include <cerrno>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/final_file.h"

namespace vlx::cli {

bool CopyFile(const std::string& source, const std::string& target) {
  return CopyToFinalFile(source, target);
}

bool MakeFolder(const std::string& path) {
  if (Files().Mkdir(path.c_str(), 0755) == 0) return true;
  const int error = errno;
  struct stat st {};
  // An existing folder is fine; a link or a file at the name is not followed.
  if (error == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  return NoteFailedCall(path, error);
}

}  // namespace vlx::cli
