#pragma once

#include <cstdint>
#include <string>

#include "engine/job/damaged_file.h"

namespace vlx {

enum class RangeCopyResult { kWritten, kNotCreated, kIncomplete };

// Creates (or truncates) the file at target, owner-only and never through a symlink,
// and writes into it the bytes [from, from + count) of source, fewer where the source
// ends first. kIncomplete when a write or the close failed.
RangeCopyResult CopyFileRange(DamagedFile& source, uint64_t from, uint64_t count,
                              const std::string& target);

}  // namespace vlx
