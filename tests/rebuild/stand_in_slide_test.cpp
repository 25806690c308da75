#include "engine/rebuild/stand_in_slide.h"

#include <gtest/gtest.h>

#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;

std::vector<uint8_t> Anchor(int16_t top, int16_t left, int16_t right, int16_t bottom) {
  std::vector<uint8_t> body;
  for (int16_t v : {top, left, right, bottom}) AppendU16(body, static_cast<uint16_t>(v));
  return Record(0, kTypeClientAnchor, body);
}

std::vector<uint8_t> Placeholder(uint8_t placement, const std::vector<uint8_t>& anchor) {
  const auto atom = Record(0, kTypePlaceholderAtom, {0, 0, 0, 0, placement, 0, 0, 0});
  return Record(0x0F, kTypeShapeContainer,
                Cat({Record(0x02, kTypeShapeAtom, testing::Filled(8, 0)), anchor,
                     Record(0x0F, kTypeClientData, atom)}));
}

std::vector<uint8_t> MasterWith(std::vector<uint8_t> shapes) {
  const auto group = Record(0x0F, kTypeGroupContainer, shapes);
  return Record(0x0F, kTypeMainMaster,
                Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, group)));
}

// The anchors of the text boxes of a stand-in slide, in order.
std::vector<std::vector<int16_t>> BoxAnchors(const std::vector<uint8_t>& slide) {
  std::vector<std::vector<int16_t>> anchors;
  for (size_t at = 0; at + 8 <= slide.size(); ++at)
    if (GetU16(slide, at + 2) == kTypeClientAnchor && GetU32(slide, at + 4) == 8)
      anchors.push_back({static_cast<int16_t>(GetU16(slide, at + 8)),
                         static_cast<int16_t>(GetU16(slide, at + 10)),
                         static_cast<int16_t>(GetU16(slide, at + 12)),
                         static_cast<int16_t>(GetU16(slide, at + 14))});
  return anchors;
}

TEST(StandInSlide, TextsTakeTheFramesOfTheirMastersPlaceholders) {
  const auto master = MasterWith(
      Cat({Record(0x0F, kTypeShapeContainer, Record(0x02, kTypeShapeAtom, testing::Filled(8, 0))),
           Placeholder(0x01, Anchor(100, 900, 5000, 700)),
           Placeholder(0x02, Anchor(1000, 600, 5200, 4000))}));
  const MasterFrames frames = FramesOfMaster(master);
  ASSERT_TRUE(frames.title && frames.body);
  EXPECT_EQ(frames.title->left, 900);
  EXPECT_EQ(frames.body->bottom, 4000);

  const auto texts = Cat({Record(0, kTypeTextHeaderAtom, {0, 0, 0, 0}),  // a title
                          Record(0, kTypeTextCharsAtom, {'T', 0}),
                          Record(0, kTypeTextHeaderAtom, {1, 0, 0, 0}),  // a body
                          Record(0, kTypeTextCharsAtom, {'B', 0})});
  const auto slide = StandInSlide(texts, SlideSize{}, 0x80000001u, 0xFFF, frames);
  ASSERT_TRUE(IsWellFormedRecordRun(slide));
  EXPECT_EQ(BoxAnchors(slide),
            (std::vector<std::vector<int16_t>>{{100, 900, 5000, 700}, {1000, 600, 5200, 4000}}));

  // A master without placeholders, or a frame of no size, leaves the default frames.
  const MasterFrames none = FramesOfMaster(MasterWith(Placeholder(0x01, Anchor(5, 5, 5, 5))));
  EXPECT_FALSE(none.title || none.body);
  EXPECT_FALSE(FramesOfMaster({}).title);
}

}  // namespace
}  // namespace vlx
