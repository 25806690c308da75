#include "engine/rebuild/slide_text_match.h"

#include <gtest/gtest.h>

#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Filled;
using testing::Put;
using testing::Record;
using testing::U32s;

// A stream laid out from file offset 1000: the Document at stream offset 0, a slide at
// stream offset 200 (its drawing 40 bytes later), and a persist directory naming it.
class SlideTextMatchTest : public ::testing::Test {
 protected:
  static constexpr uint64_t kStream = 1000;
  static constexpr uint64_t kDrawing = kStream + 200 + 40;

  void SetUp() override {
    bytes_ = Filled(4000, 0);
    Put(bytes_, kStream, Record(0x000F, 0x03E8, Filled(16, 0)));
    std::vector<uint8_t> slide = Record(0x0002, 0x03EF, Filled(24, 0));
    const auto drawing = Record(0x000F, 0x040C, Record(0x0000, 0xF008, Filled(8, 0)));
    slide.insert(slide.end(), drawing.begin(), drawing.end());
    Put(bytes_, kStream + 200, Record(0x000F, 0x03EE, slide));
    texts_ = Record(0x0000, 0x0F9F, U32s({0}));
    const auto chars = Record(0x0000, 0x0FA8, {'H', 'i'});
    texts_.insert(texts_.end(), chars.begin(), chars.end());
    std::vector<uint8_t> list = Record(0x0000, 0x03F3, U32s({7, 4, 1, 256, 0}));
    list.insert(list.end(), texts_.begin(), texts_.end());
    const auto list_record = Record(0x000F, 0x0FF0, list);
    Put(bytes_, kStream + 600, list_record);
    lists_.Append(kStream + 600, static_cast<int64_t>(list_record.size()) - 8);
  }

  std::optional<SlideEntryTexts> Match(const std::vector<uint8_t>& directory_body) {
    Put(bytes_, kStream + 800, Record(0x0000, 0x1772, directory_body));
    auto file = DamagedFile::Open(dir_.Write("damaged.ppt", bytes_));
    return SlideTextMatcher(*file, lists_).ForDrawing(kDrawing);
  }

  testing::TempDir dir_;
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> texts_;
  FoundRecordList lists_;
};

TEST_F(SlideTextMatchTest, ADirectoryNamingTheSlideBringsItsEntryTexts) {
  // Persist 1 (Document) at 0, persist 7 (the slide) at 200.
  const auto match = Match(U32s({1 | (1u << 20), 0, 7 | (1u << 20), 200}));
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->records, texts_);
  EXPECT_EQ(match->text_count, 1);
}

TEST_F(SlideTextMatchTest, NoProofGivesNoTexts) {
  // The directory names another offset for persist 7.
  EXPECT_FALSE(Match(U32s({1 | (1u << 20), 0, 7 | (1u << 20), 204})).has_value());
  // The slide's offset belongs to a persist id without a slide-list entry.
  EXPECT_FALSE(Match(U32s({1 | (1u << 20), 0, 8 | (1u << 20), 200})).has_value());
  // Without the Document in the directory, offsets cannot be placed.
  EXPECT_FALSE(Match(U32s({7 | (1u << 20), 200})).has_value());
}

TEST_F(SlideTextMatchTest, ADrawingOutsideASlideIsNeverMatched) {
  Put(bytes_, kStream + 200 + 2, {0xF8, 0x03});  // now a main master, not a slide
  EXPECT_FALSE(Match(U32s({1 | (1u << 20), 0, 7 | (1u << 20), 200})).has_value());
}

}  // namespace
}  // namespace vlx
