#include "engine/rebuild/drawing_extract.h"

#include <gtest/gtest.h>

#include "engine/rebuild/record_copy.h"
#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Filled;
using testing::Put;
using testing::Record;

FoundRecordList Tags(std::initializer_list<int64_t> offsets) {
  FoundRecordList list;
  for (int64_t offset : offsets) list.Append(offset, 16);
  return list;
}

TEST(ProgTagsChoiceTest, TakesTheGreatestOffsetNotAboveTheDrawingEnd) {
  const FoundRecordList tags = Tags({100, 300, 500});
  EXPECT_EQ(FindProgTagsFor(tags, 400), 300u);
  EXPECT_EQ(FindProgTagsFor(tags, 500), 500u);  // exactly at the end wins
  EXPECT_EQ(FindProgTagsFor(tags, 499), 300u);
  EXPECT_EQ(FindProgTagsFor(tags, 10000), 500u);
}

TEST(ProgTagsChoiceTest, NoneWhenEveryTagLiesBeyondTheEnd) {
  EXPECT_FALSE(FindProgTagsFor(Tags({100, 300}), 99).has_value());
  EXPECT_FALSE(FindProgTagsFor(FoundRecordList{}, 5000).has_value());
}

class DrawingBytesTest : public ::testing::Test {
 protected:
  std::unique_ptr<DamagedFile> Open(const std::vector<uint8_t>& bytes) {
    return DamagedFile::Open(dir_.Write("damaged.ppt", bytes));
  }
  testing::TempDir dir_;
};

TEST_F(DrawingBytesTest, DrawingThenItsPlausibleTags) {
  std::vector<uint8_t> file = Filled(2000, 0x11);
  const auto drawing = Record(0x000F, 0x040C, Filled(100, 0xD0));
  const auto tags = Record(0x000F, 0x1388, Filled(24, 0x7A));
  Put(file, 200, drawing);
  Put(file, 308, tags);  // ends 108 bytes after the drawing, so it is chosen at E = 308
  auto damaged = Open(file);
  FoundRecordList drawings;
  drawings.Append(200, 100);
  const auto bytes = ReadDrawingWithTags(*damaged, Tags({308}), drawings[0]);
  std::vector<uint8_t> expected = drawing;
  expected.insert(expected.end(), tags.begin(), tags.end());
  EXPECT_EQ(bytes, expected);
}

TEST_F(DrawingBytesTest, ImplausibleOrMissingTagsAddNothing) {
  std::vector<uint8_t> file = Filled(2000, 0x11);
  Put(file, 0, Record(0x000F, 0x1388, Filled(8, 0)));  // a plausible record at position 0
  Put(file, 200, Record(0x000F, 0x040C, Filled(100, 0xD0)));
  Put(file, 50, {0x0F, 0x00, 0x88, 0x13, 0xFF, 0xFF, 0xFF, 0xFF});  // length with the top bit set
  auto damaged = Open(file);
  FoundRecordList drawings;
  drawings.Append(200, 100);
  EXPECT_EQ(ReadDrawingWithTags(*damaged, Tags({50}), drawings[0]).size(), 108u);
  // No tags at or before the drawing's end: position 0 is not taken for one.
  EXPECT_EQ(ReadDrawingWithTags(*damaged, FoundRecordList{}, drawings[0]).size(), 108u);
  EXPECT_EQ(ReadDrawingWithTags(*damaged, Tags({1500}), drawings[0]).size(), 108u);
}

TEST_F(DrawingBytesTest, DrawingRunningPastTheEndIsCopiedAsFarAsTheFileGoes) {
  std::vector<uint8_t> file = Filled(300, 0x11);
  Put(file, 200, {0x0F, 0x00, 0x0C, 0x04, 0xE8, 0x03, 0x00, 0x00});  // claims 1000 bytes
  auto damaged = Open(file);
  FoundRecordList drawings;
  drawings.Append(200, 1000);
  const auto bytes = ReadDrawingWithTags(*damaged, FoundRecordList{}, drawings[0]);
  ASSERT_EQ(bytes.size(), 100u);
  EXPECT_EQ(bytes[99], 0x11);
  drawings.Append(5000, 10);  // wholly past the end
  EXPECT_TRUE(ReadDrawingWithTags(*damaged, FoundRecordList{}, drawings[1]).empty());
}

TEST_F(DrawingBytesTest, ChosenRecordPastTheEndReadsWhatIsThereAndZeroesTheRest) {
  std::vector<uint8_t> file = Filled(300, 0x22);
  auto damaged = Open(file);
  const auto tail = ReadChosenRecord(*damaged, 250, 100);
  ASSERT_EQ(tail.size(), 100u);
  EXPECT_EQ(tail[49], 0x22);
  EXPECT_EQ(tail[50], 0x00);
  EXPECT_EQ(tail[99], 0x00);
  EXPECT_EQ(ReadChosenRecord(*damaged, 1u << 30, 64), std::vector<uint8_t>(64, 0));
  // A damaged length never makes the buffer larger than the file.
  EXPECT_EQ(ReadChosenRecord(*damaged, 0, uint64_t{1} << 40).size(), 300u);
}

}  // namespace
}  // namespace vlx
