#include "engine/scan/text_census.h"

#include <gtest/gtest.h>

#include "engine/format/record_header.h"
#include "tests/scan/scan_run.h"

namespace vlx::testing {
namespace {

// A slide list body built atom by atom.
struct SlideListBody {
  Bytes bytes;
  void Atom(uint16_t type, const Bytes& body, uint32_t length) {
    const size_t at = bytes.size();
    bytes.resize(at + 8);
    PutHeader(bytes, at, 0, type, length);
    bytes.insert(bytes.end(), body.begin(), body.end());
  }
  void Atom(uint16_t type, const Bytes& body) {
    Atom(type, body, static_cast<uint32_t>(body.size()));
  }
  void Persist() { Atom(kTypeSlidePersistAtom, Bytes(20, 0x11)); }
  void Chars(const std::u16string& text) {
    Bytes body;
    for (char16_t c : text)
      body.insert(body.end(), {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8)});
    Atom(kTypeTextCharsAtom, body);
  }
  void Text(const std::string& text) { Atom(kTypeTextBytesAtom, Bytes(text.begin(), text.end())); }
};

SlideTextGroup Collect(const SlideListBody& list) {
  SlideTextGroup group;
  CollectSlideListTexts(list.bytes.data(), list.bytes.size(), list.bytes.size(), group);
  return group;
}

TEST(TextCensus, CharTextsLoseTrailingWhiteSpaceAndByteTextsKeepIt) {
  SlideListBody list;
  list.Chars(u"Title");  // slide 0: before the first persist atom
  list.Persist();
  list.Chars(u"Title\r");
  list.Text("Title\r");
  const SlideTextGroup group = Collect(list);
  ASSERT_EQ(group.char_texts.size(), 2u);
  EXPECT_EQ(group.char_texts[0].slide, 0);
  EXPECT_EQ(group.char_texts[1].text, "Title");
  EXPECT_EQ(group.char_texts[1].slide, 1);
  ASSERT_EQ(group.byte_texts.size(), 1u);
  EXPECT_EQ(group.byte_texts[0].text, "Title\r");
}

TEST(TextCensus, TextsFromOtherScriptsSurviveWhole) {
  SlideListBody list;
  list.Persist();
  list.Chars(u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u4F60\u597D \u041F\u0440\u0438 ");
  list.Text("caf\xE9 \x93quoted\x94");
  const SlideTextGroup group = Collect(list);
  ASSERT_EQ(group.char_texts.size(), 1u);
  EXPECT_EQ(group.char_texts[0].text, "Καλημέρα 你好 При");
  ASSERT_EQ(group.byte_texts.size(), 1u);
  EXPECT_EQ(group.byte_texts[0].text, "café “quoted”");
}

TEST(TextCensus, AtomsFailingTheirLengthTestAreSkippedAndDoNotCountSlides) {
  SlideListBody list;
  list.Atom(kTypeTextCharsAtom, Bytes{'A', 0}, 10000);
  list.Atom(kTypeTextCharsAtom, Bytes{'B', 0}, 9999);
  list.Atom(kTypeSlidePersistAtom, Bytes(4, 0x11), 5000);
  list.Atom(kTypeTextBytesAtom, Bytes{'C'}, 5000);
  SlideTextGroup group;
  // The body claims more bytes than it holds: lengths are tested against the claim.
  CollectSlideListTexts(list.bytes.data(), list.bytes.size(), 60, group);
  ASSERT_EQ(group.char_texts.size(), 1u);
  EXPECT_EQ(group.char_texts[0].text, "B");
  EXPECT_EQ(group.char_texts[0].slide, 0);
  EXPECT_TRUE(group.byte_texts.empty());
}

TEST(TextCensus, TextStopsAtZeroAtTheLengthAndAtTheBodyEnd) {
  SlideListBody list;
  list.Atom(kTypeTextBytesAtom, Bytes{'a', 'b', 0, 'c'}, 4);
  list.Atom(kTypeTextBytesAtom, Bytes{'x', 'y', 'z'}, 2);
  list.Atom(kTypeTextCharsAtom, Bytes{'p', 0, 'q', 0, 'r', 0}, 4);
  list.Atom(kTypeTextCharsAtom, Bytes{'e', 0, 'n', 0, 'd'}, 90);  // runs off the body
  const SlideTextGroup group = Collect(list);
  ASSERT_EQ(group.byte_texts.size(), 2u);
  EXPECT_EQ(group.byte_texts[0].text, "ab");
  EXPECT_EQ(group.byte_texts[1].text, "xy");
  ASSERT_EQ(group.char_texts.size(), 2u);
  EXPECT_EQ(group.char_texts[0].text, "pq");
  EXPECT_EQ(group.char_texts[1].text, "en");
}

TEST(TextCensus, EverySlideListAddsAGroupButTextsGoToTheFirst) {
  ScanRun run;
  Bytes file = Filler(64);
  for (int slides : {3, 2}) {
    SlideListBody list;
    for (int s = 1; s <= slides; ++s) {
      list.Persist();
      list.Chars(u"S" + std::u16string(1, static_cast<char16_t>(u'0' + s)));
    }
    const size_t at = file.size();
    file.resize(at + 8);
    PutHeader(file, at, 0x000F, kTypeSlideListWithText, static_cast<uint32_t>(list.bytes.size()));
    file.insert(file.end(), list.bytes.begin(), list.bytes.end());
    run.job.slide_lists.Append(static_cast<int64_t>(at), static_cast<int64_t>(list.bytes.size()));
  }
  auto damaged = run.Damaged(file);
  ScanSlideTexts(run.job, *damaged);
  ASSERT_EQ(run.job.texts.groups.size(), 2u);
  EXPECT_TRUE(run.job.texts.groups[1].char_texts.empty());
  std::vector<std::pair<int64_t, std::string>> found;
  for (const SlideText& t : run.job.texts.groups[0].char_texts) found.push_back({t.slide, t.text});
  EXPECT_EQ(found, (std::vector<std::pair<int64_t, std::string>>{
                       {1, "S1"}, {2, "S2"}, {3, "S3"}, {1, "S1"}, {2, "S2"}}));
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{15, 16}));
}

TEST(TextCensus, NoSlideListLeavesNoGroupAndASlideListPastTheEndReadsWhatIsThere) {
  ScanRun run;
  auto damaged = run.Damaged(Filler(100));
  ScanSlideTexts(run.job, *damaged);
  EXPECT_TRUE(run.job.texts.groups.empty());
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{15, 16}));

  ScanRun cut;
  Bytes file = Filler(40);
  PutHeader(file, 0, 0x000F, kTypeSlideListWithText, 0x7FFFFFF0);
  PutHeader(file, 8, 0, kTypeTextBytesAtom, 50);
  file[16] = 'h', file[17] = 'i';
  cut.job.slide_lists.Append(0, 0x7FFFFFF0);
  auto short_file = cut.Damaged(file);
  ScanSlideTexts(cut.job, *short_file);
  ASSERT_EQ(cut.job.texts.groups.size(), 1u);
  ASSERT_EQ(cut.job.texts.groups[0].byte_texts.size(), 1u);
  EXPECT_EQ(cut.job.texts.groups[0].byte_texts[0].text.substr(0, 2), "hi");
}

}  // namespace
}  // namespace vlx::testing
