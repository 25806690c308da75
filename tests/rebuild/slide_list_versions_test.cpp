#include "engine/rebuild/slide_list_versions.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;
using testing::U32s;

std::vector<ListEntry> Entries(std::initializer_list<std::pair<uint32_t, uint32_t>> ids) {
  std::vector<ListEntry> entries;
  for (const auto& [persist_id, slide_id] : ids) entries.push_back({persist_id, slide_id, {}, {}});
  return entries;
}

std::vector<uint32_t> Ids(const std::vector<ListEntry>& entries) {
  std::vector<uint32_t> ids;
  for (const ListEntry& entry : entries) ids.push_back(entry.persist_id);
  return ids;
}

TEST(SlideListVersions, LostEntriesComeBackWhereTheOlderListHadThem) {
  // The damage took the first entry and two in the middle.
  const auto damaged = Entries({{3, 258}, {6, 261}});
  const std::vector<std::vector<ListEntry>> older = {
      Entries({{2, 257}, {3, 258}, {4, 259}, {5, 260}, {6, 261}})};
  std::vector<uint32_t> restored;
  const auto merged = WithLostEntriesRestored(damaged, older, &restored);
  EXPECT_EQ(Ids(merged), (std::vector<uint32_t>{2, 3, 4, 5, 6}));
  EXPECT_EQ(restored, (std::vector<uint32_t>{2, 4, 5}));
}

TEST(SlideListVersions, NewerEntriesKeepTheirPlaceAndSavedAnewSlidesAreNotRepeated) {
  // Slide id 258 was saved anew under persist id 9; slide 7 was added after the older save.
  const auto damaged = Entries({{9, 258}, {7, 262}});
  const std::vector<std::vector<ListEntry>> versions = {
      Entries({{2, 257}, {3, 258}}),             // the newer older version, itself damaged
      Entries({{2, 257}, {3, 258}, {4, 259}})};  // the oldest
  std::vector<uint32_t> restored;
  const auto merged = WithLostEntriesRestored(damaged, versions, &restored);
  // 4 came after slide 258 there, and goes after it here.
  EXPECT_EQ(Ids(merged), (std::vector<uint32_t>{2, 9, 4, 7}));
  EXPECT_EQ(restored, (std::vector<uint32_t>{2, 4}));
  // Nothing to restore from: the list stays as it is.
  EXPECT_EQ(Ids(WithLostEntriesRestored(damaged, {}, nullptr)), (std::vector<uint32_t>{9, 7}));
}

// Entry 2's body text was cut by noise inside its last record. The newest older
// version lost the same text; the one before holds it whole, as the cut one began, and
// gives it. Entry 3's older text is another (the user rewrote it): it stays as it is.
TEST(SlideListVersions, CutTextsComeWholeFromAnOlderVersionThatWroteThemTheSame) {
  const auto title = Cat({Record(0, kTypeTextHeaderAtom, U32s({0})),
                          Record(0, kTypeTextBytesAtom, {'T', 'i', 't', 'l', 'e'})});
  const auto body = [](std::vector<uint8_t> chars) {
    return Cat({Record(0, kTypeTextHeaderAtom, U32s({1})), Record(0, kTypeTextBytesAtom, chars)});
  };
  const auto whole = Cat({title, body({'O', 'n', 'e', '\r', 'T', 'w', 'o'}),
                          Record(0, 0x0FA1, testing::Filled(10, 0))});
  const auto cut = Cat({title, body({'O', 'n', 'e', 0xE7, 0x13, 0x9F, 0xA1})});
  const auto rewritten = Cat({title, body({'N', 'e', 'w'})});
  const auto entry = [](uint32_t id, std::span<const uint8_t> texts) {
    return ListEntry{id, 255 + id, {}, texts};
  };
  // Entry 5 ends with a whole record: the noise took the next entry's atom, and what it
  // had after that record in the older save may have been deleted since.
  const auto ends_whole = Cat({title, body({'O', 'n', 'e', '\r', 'T', 'w', 'o'})});
  const std::vector<ListEntry> damaged = {entry(2, cut), entry(3, cut), entry(4, cut),
                                          entry(5, ends_whole)};
  const std::vector<std::vector<ListEntry>> older = {
      {entry(2, cut), entry(3, rewritten)},  // the newest older version, cut at entry 2 too
      {entry(2, whole), entry(3, whole), entry(5, whole)}};
  const std::vector<std::vector<uint32_t>> older_cut = {{2}, {}};
  std::vector<uint32_t> restored;
  const auto result =
      WithCutTextsRestored(damaged, std::vector<uint32_t>{2, 3, 5}, older, older_cut, &restored);
  EXPECT_EQ(restored, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(std::ranges::equal(result[0].texts, whole));
  EXPECT_TRUE(std::ranges::equal(result[1].texts, cut)) << "rewritten in a newer save";
  EXPECT_TRUE(std::ranges::equal(result[2].texts, cut)) << "not cut";
  EXPECT_TRUE(std::ranges::equal(result[3].texts, ends_whole));
}

TEST(SlideListVersions, EveryDocumentOfTheStreamIsAVersionDamagedOnesSalvaged) {
  const auto list = Record(0x0F, kTypeSlideListWithText,
                           Cat({Record(0, kTypeSlidePersistAtom, U32s({2, 0, 0, 256, 0})),
                                Record(0, kTypeSlidePersistAtom, U32s({3, 0, 0, 257, 0}))}));
  const auto document = Record(0x0F, kTypeDocument,
                               Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                                    Record(0x1F, kTypeSlideListWithText, {}), list}));
  std::vector<uint8_t> stream = Cat({document, document});
  // The second version's first slide persist atom is noise.
  const size_t noise = document.size() + 8 + 48 + 8 + 8;
  for (size_t i = noise; i < noise + 28; ++i) stream[i] = static_cast<uint8_t>(0xA7 + 13 * i);
  const auto versions = DocumentVersions(stream);
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].offset, 0u);
  EXPECT_FALSE(versions[0].slide_list_damaged);
  EXPECT_EQ(Ids(SlideEntriesOf(versions[0])), (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(versions[1].offset, document.size());
  EXPECT_TRUE(versions[1].slide_list_damaged);
  EXPECT_EQ(Ids(SlideEntriesOf(versions[1])), (std::vector<uint32_t>{3}));
}

}  // namespace
}  // namespace vlx
