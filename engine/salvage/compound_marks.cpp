#include "engine/salvage/compound_marks.h"

#include <algorithm>
#include <string_view>

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

void Keep(std::vector<uint64_t>& list, uint64_t offset) {
  if (list.size() < kMaxMarksOfEachKind && (list.empty() || list.back() != offset))
    list.push_back(offset);
}

}  // namespace

CompoundMarks FindCompoundMarks(DamagedFile& file) {
  CompoundMarks marks;
  std::vector<uint8_t> buffer(kChunk + kOverlap);
  const uint64_t length = file.GetLength();
  for (uint64_t start = 0; start < length; start += kChunk) {
    const size_t got = file.ReadAt(start, buffer.data(), buffer.size());
    // Matches that begin in the overlap are found again by the next chunk.
    const size_t scan_end = std::min(got, kChunk);
    const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), got);
    const std::string_view signature(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    for (size_t at = bytes.find(signature); at != std::string_view::npos && at < scan_end;
         at = bytes.find(signature, at + 1))
      Keep(marks.signatures, start + at);
    const std::string_view name(reinterpret_cast<const char*>(kRootName), sizeof kRootName);
    for (size_t at = bytes.find(name); at != std::string_view::npos && at < scan_end;
         at = bytes.find(name, at + 1)) {
      if (got - at >= kOverlap && IsRootEntry(&buffer[at])) Keep(marks.root_entries, start + at);
    }
  }
  return marks;
}

}  // namespace vlx::salvage
