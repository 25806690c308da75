// Damaged drawings: the shapes after a run of noise come back where their records still
// lead to the end of their container, and nothing else is taken up again.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/loose_slide_shapes.h"
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

// A table drawn as a group of cells, hit by noise in two places: the cells between the
// two runs of noise come back with those after the second; a cell reaching into the unit
// where the headers break again is dropped with the noise.
TEST(DamagedDrawingTrimTest, CellsBetweenTwoRunsOfNoiseComeBack) {
  const std::vector<uint16_t> open = {kTypeSlide, kTypePPDrawing, kTypeDrawingContainer,
                                      kTypeGroupContainer};
  // Four headers (32 bytes), then shapes of 24 bytes: 1 and 2 at 32 and 56, noise at 80,
  // 3 and 4 at 128 and 152, noise at 176, 5 at 216; shape 9 after the group.
  const auto slide = Record(0x000F, kTypeSlide,
                            Record(0x000F, kTypePPDrawing,
                                   Record(0x000F, kTypeDrawingContainer,
                                          Cat({Group(Cat({Shape(1), Shape(2), Noise(48), Shape(3),
                                                          Shape(4), Noise(40), Shape(5)})),
                                               Shape(9)}))));
  ASSERT_EQ(FirstBreak(slide), 80u);
  const auto kept_with = [&](DamageUnits units) {
    const std::vector<uint8_t> kept =
        KeepAroundDamage(slide, units.UnitStart(FirstBreak(slide)), open, units);
    EXPECT_TRUE(IsWellFormedRecordRun(kept));
    EXPECT_FALSE(Contains(kept, Filled(8, 0xA7)));
    std::vector<int> shapes;
    for (uint8_t mark : {1, 2, 3, 4, 5, 9})
      if (Contains(kept, Shape(mark))) shapes.push_back(mark);
    return shapes;
  };
  EXPECT_EQ(kept_with({16, 0}), (std::vector<int>{1, 2, 3, 4, 5, 9}));
  // Units of 32: the noise at 80 and at 176 took the units from 64 and from 160.
  EXPECT_EQ(kept_with({32, 0}), (std::vector<int>{1, 3, 5, 9}));
  // The same slide lying 8 bytes into its unit: the units begin at 24, 56, ... 152, 184.
  EXPECT_EQ(kept_with({32, 8}), (std::vector<int>{1, 3, 5, 9}));
}

// A run crafted to hold a shape header at every offset, none of them whole, is looked at
// in bounded time and nothing of it comes back.
TEST(DamagedDrawingTrimTest, ARunOfBrokenShapeHeadersIsLookedAtInBoundedTime) {
  std::vector<uint8_t> headers;
  for (int k = 0; k < 20000; ++k) {
    const unsigned char broken[8] = {0x0F, 0, 0x04, 0xF0, 0, 0, 0, 0};
    headers.insert(headers.end(), broken, broken + 8);
  }
  // Each nests the next and ends 4 bytes before the run's end, down to one near the end
  // that overruns its parent: every one is looked at to the bottom and found broken.
  const size_t n = headers.size();
  for (size_t at = 0; at + 12 <= n; at += 8)
    PutU32(headers, at + 4, at + 16 == n ? 5u : static_cast<uint32_t>(n - at - 12));
  const std::vector<uint16_t> open = {kTypeSlide, kTypePPDrawing, kTypeDrawingContainer,
                                      kTypeGroupContainer};
  const auto slide =
      Record(0x000F, kTypeSlide,
             Record(0x000F, kTypePPDrawing,
                    Record(0x000F, kTypeDrawingContainer, Cat({Shape(1), Noise(40), headers}))));
  const std::vector<uint8_t> kept = KeepAroundDamage(slide, FirstBreak(slide), open);
  EXPECT_TRUE(IsWellFormedRecordRun(kept));
  EXPECT_TRUE(Contains(kept, Shape(1)));
  EXPECT_LT(kept.size(), 100u);
}

// Where a slide whose headers are noise lay, its shapes end where a record of the
// stream's own level begins: another save's slide after it (after more noise, where the
// shapes are looked for again) keeps its own shapes.
TEST(DamagedDrawingTrimTest, LooseShapesOfASlideEndWhereTheNextSlideBegins) {
  const auto placed = [](uint8_t mark) {
    return Record(0x000F, kTypeShapeContainer,
                  Cat({Record(0x0000, 0xF00A, Filled(8, mark)),
                       Record(0x0000, kTypeClientAnchor, Filled(8, mark))}));
  };
  const auto next_slide =
      Record(0x000F, kTypeSlide,
             Record(0x000F, kTypePPDrawing,
                    Record(0x000F, kTypeDrawingContainer, Group(Cat({placed(7)})))));
  // Noise takes whole sectors: the first, and the third; the second holds the shapes.
  const auto shapes = Cat({placed(1), placed(2)});
  const auto padding = Record(0x0000, 0x0FFF, Filled(512 - shapes.size() - 8, 0));
  const auto stream = Cat({Noise(512), shapes, padding, Noise(512), next_slide});
  EXPECT_EQ(LooseSlideShapes(stream, 0, stream.size()), shapes);
  EXPECT_TRUE(LooseSlideShapes(stream, 0, 512).empty());
}

}  // namespace
}  // namespace vlx
