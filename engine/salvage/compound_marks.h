#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"

namespace vlx::salvage {

// Byte offsets of what a compound file leaves behind even when its header is gone:
// header signatures and root directory entries ("Root Entry", type root). Found in
// one sequential pass, at any byte position, so a file inside a disk image is seen
// wherever it starts.
struct CompoundMarks {
  std::vector<uint64_t> signatures;
  std::vector<uint64_t> root_entries;
};

// At most this many of each kind are kept (a disk image of many files).
inline constexpr size_t kMaxMarksOfEachKind = 256;

CompoundMarks FindCompoundMarks(DamagedFile& file);

}  // namespace vlx::salvage
