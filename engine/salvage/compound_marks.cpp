#include "engine/salvage/compound_marks.h"

#include <algorithm>
#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/salvage/mark_word_blocks.h"

namespace vlx::salvage {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// "Root Entry" in UTF-16LE with its terminating zero unit.
constexpr uint8_t kRootName[22] = {'R', 0,   'o', 0,   'o', 0,   't', 0,   ' ', 0, 'E',
                                   0,   'n', 0,   't', 0,   'r', 0,   'y', 0,   0, 0};
constexpr size_t kChunk = size_t{1} << 20;

bool IsRootEntry(const uint8_t* entry) {
  return LoadU16(entry + 0x40) == sizeof kRootName && entry[0x42] == 5;
}

bool IsAt(const uint8_t* data, size_t size, size_t at, const uint8_t* pattern,
          size_t pattern_size) {
  return size - at >= pattern_size && std::memcmp(data + at, pattern, pattern_size) == 0;
}

void Keep(std::vector<uint64_t>& list, uint64_t offset) {
  if (list.size() < kMaxMarksOfEachKind && (list.empty() || list.back() != offset))
    list.push_back(offset);
}

// Looks at each place in [from, to) of the view data[0, got) of the file at start.
void LookAt(const uint8_t* data, uint64_t start, size_t got, size_t from, size_t to,
            CompoundMarks& marks) {
  for (size_t at = from; at < to; ++at) {
    if (data[at] == kSignature[0]) {
      if (IsAt(data, got, at, kSignature, sizeof kSignature)) Keep(marks.signatures, start + at);
    } else if (data[at] == kRootName[0]) {
      if (IsAt(data, got, at, kRootName, sizeof kRootName) && got - at >= kMarkReach &&
          IsRootEntry(data + at))
        Keep(marks.root_entries, start + at);
    }
  }
}

}  // namespace

void FindCompoundMarksIn(const uint8_t* data, uint64_t start, size_t scan, size_t got,
                         CompoundMarks& marks) {
  // Only the blocks holding a word a mark begins with are looked at byte by byte, each
  // for the places it vouches for; the places past the last whole block, one by one.
  const size_t end = std::min(scan, got);
  const size_t blocks = end / kMarkWordBlock;
  for (size_t b = NextMarkWordBlock(data, 0, blocks); b < blocks;
       b = NextMarkWordBlock(data, b + 1, blocks)) {
    const size_t first = b * kMarkWordBlock;
    LookAt(data, start, got, first == 0 ? 0 : first - 1, first + kMarkWordBlock - 1, marks);
  }
  LookAt(data, start, got, blocks == 0 ? 0 : blocks * kMarkWordBlock - 1, end, marks);
}

CompoundMarks FindCompoundMarks(DamagedFile& file) {
  CompoundMarks marks;
  const uint64_t length = file.GetLength();
  for (uint64_t start = 0; start < length; start += kChunk) {
    // Viewed in place: matches that begin in the overlap are found again by the next chunk.
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + kMarkReach, &got);
    if (data == nullptr) break;
    FindCompoundMarksIn(data, start, kChunk, got, marks);
  }
  return marks;
}

}  // namespace vlx::salvage
