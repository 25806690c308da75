// Damaged drawings: the shapes after a run of noise come back where their records still
// lead to the end of their container, and nothing else is taken up again.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Filled;
using testing::Record;

std::vector<uint8_t> Shape(uint8_t mark) {
  return Record(0x000F, kTypeShapeContainer, Record(0x0000, 0xF00A, Filled(8, mark)));
}

// Bytes that read as a record header whose length runs far past any container.
std::vector<uint8_t> Noise(size_t size) {
  std::vector<uint8_t> noise(size, 0xA7);
  PutU32(noise, 4, 0x7FFFFFF0u);
  return noise;
}

std::vector<uint8_t> Group(std::vector<uint8_t> children) {
  return Record(0x000F, kTypeGroupContainer, std::move(children));
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(DamagedDrawingTrimTest, ShapesAfterNoiseInAGroupComeBackAndTheNoiseDoesNot) {
  const auto drawing =
      Record(0x000F, kTypeDrawingContainer,
             Cat({Group(Cat({Shape(1), Shape(2), Noise(40), Shape(3), Shape(4)})), Shape(9)}));
  ASSERT_FALSE(IsWellFormedRecordRun(drawing));
  const std::vector<uint8_t> trimmed = TrimToWellFormed(drawing);
  EXPECT_TRUE(IsWellFormedRecordRun(trimmed));
  EXPECT_EQ(trimmed, Record(0x000F, kTypeDrawingContainer,
                            Cat({Group(Cat({Shape(1), Shape(2), Shape(3), Shape(4)})), Shape(9)})));
}

TEST(DamagedDrawingTrimTest, ContainersOfNumberedEntriesAreNotTakenUpAfterTheDamage) {
  // The blip store's entries are found by their place: one after a lost entry would show
  // on the wrong shape, so the store ends at the damage as before.
  const auto entry = [](uint8_t mark) { return Record(0x0002, 0xF007, Filled(36, mark)); };
  const auto store = Record(0x000F, kTypeBlipStore, Cat({entry(1), Noise(40), entry(2)}));
  EXPECT_EQ(TrimToWellFormed(store), Record(0x000F, kTypeBlipStore, entry(1)));
  // Zeros after the damage lead to the end as empty records, but are no shapes.
  const auto zeros = Group(Cat({Shape(1), Noise(16), Filled(64, 0)}));
  EXPECT_EQ(TrimToWellFormed(zeros), Group(Shape(1)));
}

TEST(DamagedDrawingTrimTest, AroundTheDamageOfASlideTheShapesReachingIntoItAreDropped) {
  const std::vector<uint16_t> open = {kTypeSlide, kTypePPDrawing, kTypeDrawingContainer,
                                      kTypeGroupContainer};
  const auto before = Shape(1);
  const auto reaching = Shape(2);  // starts before the damage and ends inside it
  const auto slide =
      Record(0x000F, kTypeSlide,
             Record(0x000F, kTypePPDrawing,
                    Record(0x000F, kTypeDrawingContainer,
                           Cat({Group(Cat({before, reaching, Noise(48), Shape(3)})), Shape(9)}))));
  // Slide, PPDrawing, drawing and group headers, then the first shape.
  const size_t damage = 4 * 8 + before.size() + 8;
  const std::vector<uint8_t> kept = KeepAroundDamage(slide, damage, open);
  EXPECT_TRUE(IsWellFormedRecordRun(kept));
  EXPECT_TRUE(Contains(kept, before));
  EXPECT_FALSE(Contains(kept, reaching));
  EXPECT_TRUE(Contains(kept, Shape(3)));
  EXPECT_TRUE(Contains(kept, Shape(9)));
  EXPECT_FALSE(Contains(kept, Filled(8, 0xA7)));
  // Damage from the very start leaves nothing to keep.
  EXPECT_TRUE(KeepAroundDamage(slide, 0, open).empty());
}

}  // namespace
}  // namespace vlx
