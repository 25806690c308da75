#include "engine/rebuild/drawing_owner.h"

#include <algorithm>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr uint64_t kLookBack = 64 * 1024;
constexpr size_t kHeader = 8;

DrawingOwner OwnerOfType(uint16_t type) {
  switch (type) {
    case kTypeSlide:
      return DrawingOwner::kSlide;
    case kTypeNotes:
      return DrawingOwner::kNotes;
    case kTypeMainMaster:
      return DrawingOwner::kMainMaster;
    case kTypeHandout:
      return DrawingOwner::kHandout;
    default:
      return DrawingOwner::kUnknown;
  }
}

// True when the records from `from` follow one another up to exactly `to`.
bool ChildrenReach(const std::vector<uint8_t>& window, size_t from, size_t to) {
  size_t at = from;
  while (at + kHeader <= to) {
    const uint64_t next = at + kHeader + uint64_t{LoadU32(window.data() + at + 4)};
    if (next > to) return false;
    at = static_cast<size_t>(next);
  }
  return at == to;
}

}  // namespace

DrawingContainer FindDrawingOwner(DamagedFile& file, uint64_t drawing_offset,
                                  uint64_t drawing_total_length) {
  const uint64_t start = drawing_offset > kLookBack ? drawing_offset - kLookBack : 0;
  std::vector<uint8_t> window(static_cast<size_t>(drawing_offset - start));
  window.resize(file.ReadAt(start, window.data(), window.size()));
  if (window.size() != drawing_offset - start) return {};
  const uint64_t drawing_end = drawing_offset + drawing_total_length;
  const size_t to = window.size();
  for (size_t at = to >= kHeader ? to - kHeader + 1 : 0; at-- > 0;) {
    const uint8_t* h = window.data() + at;
    if ((h[0] & 0x0F) != 0x0F) continue;
    const DrawingOwner owner = OwnerOfType(LoadU16(h + 2));
    if (owner == DrawingOwner::kUnknown) continue;
    const uint64_t body_end = start + at + kHeader + uint64_t{LoadU32(h + 4)};
    if (body_end < drawing_end) continue;
    if (ChildrenReach(window, at + kHeader, to)) return {owner, start + at};
  }
  return {};
}

}  // namespace vlx
