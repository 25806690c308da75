#include "engine/salvage/compound_marks.h"

#include <algorithm>
#include <cstring>

#include "engine/format/byte_order.h"

namespace vlx::salvage {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// "Root Entry" in UTF-16LE with its terminating zero unit.
constexpr uint8_t kRootName[22] = {'R', 0,   'o', 0,   'o', 0,   't', 0,   ' ', 0, 'E',
                                   0,   'n', 0,   't', 0,   'r', 0,   'y', 0,   0, 0};
constexpr size_t kChunk = size_t{1} << 20;
constexpr size_t kOverlap = 128;  // a whole directory entry

bool IsRootEntry(const uint8_t* entry) {
  return LoadU16(entry + 0x40) == sizeof kRootName && entry[0x42] == 5;
}

// Calls found(offset) for every place in data[0, size) where the pattern begins before
// scan_end (the C library's memmem is far quicker than a byte-by-byte look).
template <class Found>
void ForEachMatch(const uint8_t* data, size_t size, size_t scan_end, const uint8_t* pattern,
                  size_t pattern_size, Found found) {
  for (size_t at = 0; at < scan_end && at < size;) {
    const void* hit = ::memmem(data + at, size - at, pattern, pattern_size);
    if (hit == nullptr) return;
    const auto offset = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
    if (offset >= scan_end) return;
    found(offset);
    at = offset + 1;
  }
}

void Keep(std::vector<uint64_t>& list, uint64_t offset) {
  if (list.size() < kMaxMarksOfEachKind && (list.empty() || list.back() != offset))
    list.push_back(offset);
}

}  // namespace

CompoundMarks FindCompoundMarks(DamagedFile& file) {
  CompoundMarks marks;
  const uint64_t length = file.GetLength();
  for (uint64_t start = 0; start < length; start += kChunk) {
    // Viewed in place: matches that begin in the overlap are found again by the next chunk.
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + kOverlap, &got);
    if (data == nullptr) break;
    const size_t scan_end = std::min(got, kChunk);
    ForEachMatch(data, got, scan_end, kSignature, sizeof kSignature,
                 [&](size_t at) { Keep(marks.signatures, start + at); });
    ForEachMatch(data, got, scan_end, kRootName, sizeof kRootName, [&](size_t at) {
      if (got - at >= kOverlap && IsRootEntry(data + at)) Keep(marks.root_entries, start + at);
    });
  }
  return marks;
}

}  // namespace vlx::salvage
