#include "engine/rebuild/repaired_deck.h"

#include <gtest/gtest.h>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/template_records.h"
#include "engine/rebuild/slide_list_records.h"
#include "tests/rebuild/record_builder.h"
#include "tests/stages/stage_run.h"

namespace vlx {
namespace {

using testing::Filled;
using testing::Put;
using testing::ReadAll;
using testing::Record;
using testing::Walk;

ChosenRecords Defaults() {
  const TemplateRecords& t = PristineTemplates();
  return {{t.default_blip_store.begin(), t.default_blip_store.end()},
          {t.default_main_master.begin(), t.default_main_master.end()}};
}

DeckContent TwoDrawingsAndOneText() {
  DeckContent content;
  content.drawing_slides.push_back(
      {Record(0x000F, 0x040C, Record(0x0000, 0xF008, Filled(92, 1))), {}, 2, true});
  content.drawing_slides.push_back(
      {Record(0x000F, 0x040C, Record(0x0000, 0xF008, Filled(52, 2))), {}, 2, true});
  content.text_slides.push_back({"Title", {"first\n", "", "second"}});
  return content;
}

TEST(DeckStreamTest, EverySlideIsAPersistObjectTheDirectoryFinds) {
  TemplateRecords templates = PristineTemplates();
  const DeckStream deck = ComposeDeckStream(templates, Defaults(), TwoDrawingsAndOneText());
  const std::vector<uint8_t>& s = deck.bytes;
  const auto top = Walk(s, 0, deck.user_edit_offset + 36);
  ASSERT_EQ(top.size(), 7u);
  EXPECT_EQ(top[0].type, 0x03E8);
  EXPECT_EQ(top[1].type, 0x03F8);
  EXPECT_EQ(top[5].type, 0x1772);
  EXPECT_EQ(top[6].type, 0x0FF5);
  EXPECT_TRUE(IsWellFormedRecordRun(std::span(s).first(deck.user_edit_offset + 36)));
  EXPECT_EQ(GetU32(s, top[5].offset + 8), 1u | (5u << 20));
  for (size_t i = 1; i <= 4; ++i) EXPECT_EQ(GetU32(s, top[5].offset + 12 + 4 * i), top[i].offset);
  EXPECT_EQ(top[2].length, 32u + 108);  // slide atom and drawing
  EXPECT_EQ(top[3].length, 32u + 68);
  EXPECT_EQ(top[4].length, 548u);  // a copy of the trial slide
  EXPECT_EQ(GetU32(s, top[6].offset + 20), top[5].offset);
  EXPECT_EQ(GetU32(s, top[6].offset + 28), 5u);  // persist-id seed 2 + N
  EXPECT_GE(s.size(), 4096u);
}

TEST(DeckStreamTest, TheSlideListNamesEverySlideAndCarriesTheTexts) {
  TemplateRecords templates = PristineTemplates();
  const DeckStream deck = ComposeDeckStream(templates, Defaults(), TwoDrawingsAndOneText());
  const std::vector<uint8_t>& s = deck.bytes;
  const auto document = Walk(s, 8, 8 + GetU32(s, 4));
  size_t list = 0;
  for (const auto& r : document) {
    if (r.type == 0x0FF0 && r.version_instance == 0x000F) list = r.offset;
  }
  ASSERT_NE(list, 0u);
  const auto entries = Walk(s, list + 8, list + 8 + GetU32(s, list + 4));
  std::vector<uint32_t> ids;
  for (const auto& r : entries) {
    if (r.type == 0x03F3) ids.push_back(GetU32(s, r.offset + 8 + 12));
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{256, 257, 258}));
  // The text slide: title header instance 0, its chars, body header instance 1, chars.
  ASSERT_EQ(entries.size(), 3u + 4);
  EXPECT_EQ(entries[3].version_instance, 0x0000);
  EXPECT_EQ(entries[3].type, 0x0F9F);
  EXPECT_EQ(entries[4].type, 0x0FA0);
  EXPECT_EQ(entries[4].length, 10u);
  EXPECT_EQ(entries[5].version_instance, 0x0010);
  EXPECT_EQ(GetU32(s, entries[5].offset + 8), 1u);  // body text
  const std::u16string body = u"first\rsecond";
  ASSERT_EQ(entries[6].length, body.size() * 2);
  for (size_t i = 0; i < body.size(); ++i)
    EXPECT_EQ(GetU16(s, entries[6].offset + 8 + 2 * i), body[i]);
}

TEST(DeckStreamTest, ATitleAloneGetsNoBodyRecords) {
  const auto texts = MakePlaceholderTexts("only  ", {});
  const auto records = Walk(texts, 0, texts.size());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].length, 8u);  // "only" without its trailing blanks
}

class SaveDeckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> bytes = Filled(3000, 0);
    Put(bytes, 100, Record(0x000F, 0x040C, Record(0x0000, 0xF008, Filled(192, 0x10))));
    Put(bytes, 1000,
        {0x0F, 0x00, 0x0C, 0x04, 0x10, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x0B, 0xF0, 0x40, 0, 0, 0});
    file_ = DamagedFile::Open(run_.dir.Write("damaged.ppt", bytes));
    run_.job.file_length = file_->GetLength();
    run_.job.drawings.Append(100, 200);
    run_.job.drawings.Append(1000, 16);  // its child overruns it
    run_.job.texts.groups.resize(1);
    run_.job.texts.groups[0].byte_texts = {{"Hello", 1}, {"World", 1}, {"Two", 2}};
    run_.dir.Write("w/vlxpicfile", {});
    output_ = run_.dir.File("RecSlide.ppt");
  }
  testing::StageRun run_;
  std::unique_ptr<DamagedFile> file_;
  std::string output_;
};

TEST_F(SaveDeckTest, OfficeThatOpensEverySlideSavesItsBinaryCopy) {
  run_.office.SetSlideCount(run_.W("vlxdeck"), 4);
  const DeckSave save = SaveRepairedDeck(run_.job, *file_, MasterChoice{}, output_);
  EXPECT_TRUE(save.written);
  EXPECT_TRUE(save.by_office);
  EXPECT_EQ(save.drawing_slides, 2u);
  EXPECT_EQ(save.text_slides, 2u);
  // The office saves into the workspace; the result appears under its name by rename.
  EXPECT_EQ(run_.office.JournalOf("Presentation.SaveAs"),
            std::vector<std::string>{"Presentation.SaveAs(" + run_.W("vlxsaved.ppt") + ", 11, 1)"});
  EXPECT_FALSE(testing::ReadAll(output_).empty());
  EXPECT_FALSE(run_.Exists("vlxsaved.ppt"));
  EXPECT_EQ(run_.office.ApplicationsRunning(), 0);
}

TEST_F(SaveDeckTest, OfficeThatCannotOpenItGetsTheDeckWithoutMalformedDrawingsThenOurs) {
  run_.office.FailEveryOpen();
  const DeckSave save = SaveRepairedDeck(run_.job, *file_, MasterChoice{}, output_);
  EXPECT_TRUE(save.written);
  EXPECT_FALSE(save.by_office);
  EXPECT_EQ(save.drawing_slides, 1u);
  EXPECT_EQ(save.drawings_left_out, 1u);
  EXPECT_EQ(run_.office.CallCount("Presentations.Open"), 2);
  EXPECT_EQ(ReadAll(output_).at(0), 0xD0);
  EXPECT_TRUE(run_.Messages().empty());
}

TEST_F(SaveDeckTest, WithoutOfficeOurFileOfEverySlideIsWritten) {
  run_.env.office = nullptr;
  const DeckSave save = SaveRepairedDeck(run_.job, *file_, MasterChoice{}, output_, 1);
  EXPECT_TRUE(save.written);
  EXPECT_EQ(save.drawing_slides, 1u);  // only the drawings handled before a stop
  EXPECT_EQ(save.text_slides, 2u);
  EXPECT_GT(ReadAll(output_).size(), 4096u);
}

TEST_F(SaveDeckTest, NothingRecoveredSavesNothing) {
  run_.job.drawings = FoundRecordList{};
  run_.job.texts = SlideTextStore{};
  EXPECT_FALSE(SaveRepairedDeck(run_.job, *file_, MasterChoice{}, output_).written);
  EXPECT_TRUE(ReadAll(output_).empty());
}

TEST(RecordTreeTest, ContainersMustBeFilledExactlyByTheirChildren) {
  const auto atom = Record(0x0000, 0x0FA0, Filled(4, 0));
  EXPECT_TRUE(IsWellFormedRecordRun(Record(0x000F, 0x03EE, atom)));
  auto cut = Record(0x000F, 0x03EE, atom);
  cut.pop_back();
  EXPECT_FALSE(IsWellFormedRecordRun(cut));
  auto loose = Record(0x000F, 0x03EE, atom);
  loose.push_back(0);  // a byte too many inside the container
  PutU32(loose, 4, GetU32(loose, 4) + 1);
  EXPECT_FALSE(IsWellFormedRecordRun(loose));
  EXPECT_FALSE(IsWellFormedRecordRun({}));
  // Trimming keeps the sound children and mends the lengths around them.
  auto overrun = Record(0x000F, 0x040C, atom);
  auto bad_child = Record(0x000F, 0xF003, Filled(4, 0));
  PutU32(bad_child, 4, 999);
  overrun.insert(overrun.end(), bad_child.begin(), bad_child.end());
  PutU32(overrun, 4, GetU32(overrun, 4) + static_cast<uint32_t>(bad_child.size()));
  EXPECT_FALSE(IsWellFormedRecordRun(overrun));
  EXPECT_EQ(TrimToWellFormed(overrun), Record(0x000F, 0x040C, atom));
  // A record cut by the end of the file keeps what is there.
  auto tail = Record(0x000F, 0x040C, Record(0x0000, 0xF00A, Filled(8, 3)));
  PutU32(tail, 4, 500);
  EXPECT_TRUE(IsWellFormedRecordRun(TrimToWellFormed(tail)));
  EXPECT_EQ(TrimToWellFormed(tail).size(), tail.size());

  std::vector<uint8_t> deep = atom;
  for (int i = 0; i < 10000; ++i) deep = Record(0x000F, 0x1000, std::move(deep));
  EXPECT_TRUE(IsWellFormedRecordRun(deep));
}

}  // namespace
}  // namespace vlx
