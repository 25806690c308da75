#include "engine/rebuild/slide_plan.h"

#include <gtest/gtest.h>

#include "engine/rebuild/carried_text_filter.h"
#include "engine/rebuild/carried_texts.h"
#include "engine/rebuild/drawing_owner.h"
#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Filled;
using testing::Put;
using testing::Record;
using testing::U32s;

std::vector<uint8_t> Drawing(uint8_t mark) {
  return Record(0x000F, 0x040C, Record(0x0000, 0xF008, Filled(8, mark)));
}

// A file with one drawing in each kind of container, a bare drawing, and a stream whose
// persist directory and slide list name two slides in the order opposite to the file's.
class SlidePlanTest : public ::testing::Test {
 protected:
  static constexpr int64_t kStream = 10000;

  void Add(size_t at, const std::vector<uint8_t>& container, size_t drawing_in_container) {
    Put(bytes_, at, container);
    drawings_.Append(static_cast<int64_t>(at + drawing_in_container),
                     static_cast<int64_t>(Drawing(0).size()) - 8);
  }

  void SetUp() override {
    bytes_ = Filled(20000, 0);
    const auto slide_atom = Record(0x0002, 0x03EF, Filled(24, 0));
    const auto show_info = Record(0x0000, 0x03F9, Filled(16, 0));  // between atom and drawing
    // Stream offsets 200 and 400 are slides (persist 8 and 7); then notes, master, handout.
    Add(kStream + 200, Record(0x000F, 0x03EE, Cat({slide_atom, show_info, Drawing(1)})),
        8 + 32 + 24);
    Add(kStream + 400, Record(0x000F, 0x03EE, Cat({slide_atom, Drawing(2)})), 8 + 32);
    Add(kStream + 600,
        Record(0x000F, 0x03F0, Cat({Record(0x0001, 0x03F1, Filled(8, 0)), Drawing(3)})), 8 + 16);
    Add(kStream + 800,
        Record(0x000F, 0x03F8, Cat({slide_atom, Record(0, 0x07F0, Filled(40, 0)), Drawing(4)})),
        8 + 32 + 48);
    Add(kStream + 1000, Record(0x000F, 0x0FC9, Drawing(5)), 8);
    Add(3000, Drawing(6), 0);  // nothing around it
    Put(bytes_, kStream, Record(0x000F, 0x03E8, Filled(16, 0)));
    Put(bytes_, kStream + 1400,
        Record(0, 0x1772, U32s({1 | (1u << 20), 0, 7 | (2u << 20), 400, 200})));
    const auto list =
        Record(0x000F, 0x0FF0,
               Cat({Record(0, 0x03F3, U32s({7, 4, 1, 256, 0})), Record(0, 0x0F9F, U32s({0})),
                    Record(0, 0x0FA8, {'S', 'e', 'v'}), Record(0, 0x03F3, U32s({8, 4, 1, 257, 0})),
                    Record(0, 0x0F9F, U32s({0})), Record(0, 0x0FA8, {'E', 'i', 'g'})}));
    Put(bytes_, kStream + 1600, list);
    lists_.Append(kStream + 1600, static_cast<int64_t>(list.size()) - 8);
  }

  std::unique_ptr<DamagedFile> Open() { return DamagedFile::Open(dir_.Write("d.ppt", bytes_)); }

  // A second edit wrote a slide container again at stream offset 1200, with a persist
  // directory that names it as persist_id.
  void AddSlideOfALaterEdit(uint32_t persist_id) {
    const auto slide_atom = Record(0x0002, 0x03EF, Filled(24, 0));
    Add(kStream + 1200, Record(0x000F, 0x03EE, Cat({slide_atom, Drawing(9)})), 8 + 32);
    Put(bytes_, kStream + 1500,
        Record(0, 0x1772, U32s({1 | (1u << 20), 0, persist_id | (1u << 20), 1200})));
  }

  SlidePlan Plan() {
    auto file = Open();
    const SlideTextMatcher matcher(*file, lists_);
    return PlanSlides(*file, drawings_, matcher);
  }

  testing::TempDir dir_;
  std::vector<uint8_t> bytes_;
  FoundRecordList drawings_;
  FoundRecordList lists_;
};

TEST_F(SlidePlanTest, EachDrawingIsTakenForTheContainerAroundIt) {
  auto file = Open();
  std::vector<DrawingOwner> owners;
  for (const FoundRecord& d : drawings_)
    owners.push_back(FindDrawingOwner(*file, static_cast<uint64_t>(d.offset),
                                      static_cast<uint64_t>(d.total_length()))
                         .owner);
  EXPECT_EQ(owners, (std::vector<DrawingOwner>{DrawingOwner::kSlide, DrawingOwner::kSlide,
                                               DrawingOwner::kNotes, DrawingOwner::kMainMaster,
                                               DrawingOwner::kHandout, DrawingOwner::kUnknown}));
  // A container whose length ends before the drawing does not hold it.
  Put(bytes_, kStream + 400 + 4, U32s({20}));
  file = Open();
  EXPECT_EQ(FindDrawingOwner(*file, static_cast<uint64_t>(drawings_[1].offset),
                             static_cast<uint64_t>(drawings_[1].total_length()))
                .owner,
            DrawingOwner::kUnknown);
}

TEST_F(SlidePlanTest, SlidesComeInTheSlideListsOrderWithoutMastersNotesOrHandouts) {
  const SlidePlan plan = Plan();
  ASSERT_EQ(plan.slides.size(), 3u);
  EXPECT_EQ(plan.slides[0].drawing.offset, drawings_[1].offset);  // persist 7, listed first
  EXPECT_EQ(plan.slides[0].persist_id, 7u);
  EXPECT_EQ(plan.slides[1].persist_id, 8u);
  EXPECT_FALSE(plan.slides[2].persist_id.has_value());  // the bare drawing, last
  EXPECT_EQ(plan.masters + plan.notes + plan.handouts, 3u);
}

TEST_F(SlidePlanTest, ALaterVersionOfTheSameSlideReplacesTheOlder) {
  AddSlideOfALaterEdit(7);  // slide 7 written again
  const SlidePlan plan = Plan();
  ASSERT_EQ(plan.slides.size(), 3u);
  EXPECT_EQ(plan.slides[0].drawing.offset, drawings_[6].offset);
  EXPECT_EQ(plan.older_versions, 1u);
}

TEST_F(SlidePlanTest, ASlideContainerTheListsDoNotNameIsATitleMaster) {
  AddSlideOfALaterEdit(9);  // a persist id no slide list names
  const SlidePlan plan = Plan();
  EXPECT_EQ(plan.slides.size(), 3u);
  EXPECT_EQ(plan.masters, 2u);  // the main master and this one
}

TEST(CarriedTextsTest, TextsOnSlidesLeaveTheDataSlidesButOthersStay) {
  const auto records =
      Record(0x000F, 0xF00D,
             Cat({Record(0, 0x0FA8, {'T', 'i', 't', 'l', 'e', '\r'}),
                  Record(0, 0x0FA0, {'B', 0, ' ', 0, 'x', 0}), Record(0, 0x0FA8, {' ', ' '})}));
  const std::set<std::string> carried = TextsCarriedBy(records);
  EXPECT_EQ(carried, (std::set<std::string>{"Title", "Bx"}));
  SlideTextStore store;
  store.groups.push_back({{{"Title", 1}, {"Other", 1}}, {{"B x", 2}}});
  EXPECT_EQ(RemoveCarriedTexts(store, carried), 2u);
  ASSERT_EQ(store.groups[0].byte_texts.size(), 1u);
  EXPECT_EQ(store.groups[0].byte_texts[0].text, "Other");
  EXPECT_TRUE(store.groups[0].char_texts.empty());
}

}  // namespace
}  // namespace vlx
