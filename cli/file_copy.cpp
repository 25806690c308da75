#include "cli/file_copy.h"

#include "engine/job/final_file.h"

namespace vlx::cli {

bool CopyFile(const std::string& source, const std::string& target) {
  return CopyToFinalFile(source, target);
}

}  // namespace vlx::cli
