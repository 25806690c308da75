#include "engine/rebuild/master_frames.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;

// Placement ids of the placeholders a master's title and body texts take.
constexpr uint8_t kPlacedMasterTitle = 0x01;
constexpr uint8_t kPlacedMasterBody = 0x02;
constexpr uint8_t kPlacedMasterCenterTitle = 0x03;

}  // namespace

MasterFrames FramesOfMaster(std::span<const uint8_t> master) {
  MasterFrames frames;
  const std::span<const uint8_t> group = FirstChild(
      FirstChild(FirstChild(master, kTypePPDrawing), kTypeDrawingContainer), kTypeGroupContainer);
  for (std::span<const uint8_t> shape : ChildRecords(group)) {
    if (LoadU16(shape.data() + 2) != kTypeShapeContainer) continue;
    const std::span<const uint8_t> placeholder =
        FirstChild(FirstChild(shape, kTypeClientData), kTypePlaceholderAtom);
    const std::span<const uint8_t> anchor = FirstChild(shape, kTypeClientAnchor);
    if (placeholder.size() < kHeader + 8 || anchor.size() < kHeader + 8) continue;
    const uint8_t placed = placeholder[kHeader + 4];
    TextFrame frame;
    frame.top = static_cast<int16_t>(LoadU16(anchor.data() + kHeader));
    frame.left = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 2));
    frame.right = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 4));
    frame.bottom = static_cast<int16_t>(LoadU16(anchor.data() + kHeader + 6));
    if (frame.right <= frame.left || frame.bottom <= frame.top) continue;
    if ((placed == kPlacedMasterTitle || placed == kPlacedMasterCenterTitle) && !frames.title)
      frames.title = frame;
    if (placed == kPlacedMasterBody && !frames.body) frames.body = frame;
  }
  return frames;
}

}  // namespace vlx
