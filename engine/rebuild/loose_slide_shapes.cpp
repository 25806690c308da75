#include "engine/rebuild/loose_slide_shapes.h"

#include <algorithm>
#include <cstdint>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr size_t kSectorSize = 512;  // noise replaces whole sectors of the stream

uint16_t TypeOf(std::span<const uint8_t> record) {
  return LoadU16(record.data() + 2);
}

// A shape that stands on the slide itself: placed by a client anchor (a shape of a group
// whose header is lost has only its group's coordinates), and not showing a text of the
// slide list (the stand-in shows those). A table is a placeholder too, of its own text.
bool StandsOnTheSlide(std::span<const uint8_t> shape) {
  if (TypeOf(shape) == kTypeGroupContainer) {
    const std::vector<std::span<const uint8_t>> children = ChildRecords(shape);
    return !children.empty() && TypeOf(children.front()) == kTypeShapeContainer &&
           StandsOnTheSlide(children.front());
  }
  if (FirstChild(shape, kTypeClientAnchor).empty()) return false;
  return FirstChild(FirstChild(shape, kTypeClientTextbox), kTypeOutlineTextRefAtom).empty();
}

// Where, after offset, a record of the stream's own level begins whole: a persisted
// record (another save's version of some slide, a master), a persist directory or an
// edit. The slide lay before it. end when there is none.
size_t NextStreamLevelRecord(std::span<const uint8_t> stream, size_t offset, size_t end) {
  for (size_t at = offset + 1; at < end && end - at >= kHeader; ++at) {
    const uint16_t type = LoadU16(stream.data() + at + 2);
    const bool container = (LoadU16(stream.data() + at) & 0xF) == 0xF;
    const bool ours = container ? IsPersistedObjectType(type)
                                : type == kTypePersistDirectoryAtom || type == kTypeUserEditAtom;
    if (ours && LoadU32(stream.data() + at + 4) <= end - at - kHeader) return at;
  }
  return end;
}

void AddToLength(std::vector<uint8_t>& record, size_t at, size_t added) {
  StoreU32(record.data() + at + 4, LoadU32(record.data() + at + 4) + static_cast<uint32_t>(added));
}

}  // namespace

std::vector<uint8_t> LooseSlideShapes(std::span<const uint8_t> stream, size_t offset, size_t end) {
  std::vector<uint8_t> kept;
  if (offset >= end || end > stream.size()) return kept;
  end = NextStreamLevelRecord(stream, offset, end);
  const std::span<const uint8_t> slide = stream.subspan(offset, end - offset);
  const std::vector<uint8_t> found =
      WholeShapesIn(slide, 0, slide.size(), DamageUnits{kSectorSize, offset % kSectorSize});
  for (size_t at = 0; found.size() - at >= kHeader;) {
    const size_t next = at + kHeader + LoadU32(found.data() + at + 4);
    const std::span<const uint8_t> shape(found.data() + at, next - at);
    if (StandsOnTheSlide(shape)) kept.insert(kept.end(), shape.begin(), shape.end());
    at = next;
  }
  return kept;
}

std::vector<uint8_t> WithShapesAdded(std::span<const uint8_t> slide,
                                     std::span<const uint8_t> shapes) {
  std::vector<uint8_t> out(slide.begin(), slide.end());
  const std::span<const uint8_t> ppdrawing = FirstChild(slide, kTypePPDrawing);
  const std::span<const uint8_t> dg = FirstChild(ppdrawing, kTypeDrawingContainer);
  const std::span<const uint8_t> group = FirstChild(dg, kTypeGroupContainer);
  if (shapes.empty() || group.empty() || slide.size() - kHeader + shapes.size() > UINT32_MAX)
    return out;
  const auto at = [&slide](std::span<const uint8_t> record) {
    return static_cast<size_t>(record.data() - slide.data());
  };
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(at(group) + group.size()), shapes.begin(),
             shapes.end());
  for (size_t container : {size_t{0}, at(ppdrawing), at(dg), at(group)})
    AddToLength(out, container, shapes.size());
  return out;
}

}  // namespace vlx
