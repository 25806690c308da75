#include "engine/job/output_folder.h"

#include <cerrno>
#include <cstring>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"

namespace vlx {

std::string CreateOutputFolder(const std::string& previous, const std::string& prefix,
                               std::string* error) {
  std::string base = previous.empty() ? "./" : previous;
  if (base.back() != '/') base.push_back('/');
  for (long n = 0;; ++n) {
    const std::string candidate = base + (n == 0 ? "" : std::to_string(n)) + prefix;
    // mkdir never follows a link at its last component and fails on any taken name.
    if (Files().Mkdir(candidate.c_str(), 0755) == 0) return candidate + "/";
    if (errno == EEXIST) continue;
    if (error != nullptr) *error = candidate + ": " + std::strerror(errno);
    NoteFailedCall(candidate, errno);
    return "";
  }
}

}  // namespace vlx
