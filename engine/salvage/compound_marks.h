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

// How far past its chunk a view must reach for the marks that begin in the chunk.
inline constexpr size_t kMarkReach = 128;

// The same search fed the chunks of a pass that also does other work with them: looks
// at the places that begin in [start, start + scan) of the view data[0, got) of the file
// at start, in file order.
void FindCompoundMarksIn(const uint8_t* data, uint64_t start, size_t scan, size_t got,
                         CompoundMarks& marks);

}  // namespace vlx::salvage
