#include "engine/job/output_folder.h"

#include <sys/stat.h>

namespace vlx {
namespace {
bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}
}  // namespace

std::string CreateOutputFolder(const std::string& previous, const std::string& prefix) {
  // An empty previous folder means the current directory.
  std::string base = previous.empty() ? "./" : previous;
  if (base.back() != '/') base.push_back('/');
  std::string candidate = base + prefix + "/";
  for (long n = 1; Exists(candidate); ++n) {
    candidate = base + std::to_string(n) + prefix + "/";
  }
  ::mkdir(candidate.c_str(), 0755);
  return candidate;
}

}  // namespace vlx
