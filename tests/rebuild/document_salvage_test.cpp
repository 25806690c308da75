#include "engine/rebuild/document_salvage.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;
using testing::U32s;

std::vector<uint8_t> Entry(uint32_t persist_id, char16_t letter) {
  return Cat({Record(0, kTypeSlidePersistAtom, U32s({persist_id, 0, 1, 255 + persist_id, 0})),
              Record(0, kTypeTextCharsAtom, {static_cast<uint8_t>(letter), 0, 'x', 0})});
}

struct Layout {
  std::vector<uint8_t> bytes;
  size_t slides_list = 0;  // offset of the slides' list header
  size_t second_entry = 0;
};

// Document atom, masters' list (id 2), slides' list (ids 3, 4, 5), end.
Layout MakeDocument() {
  Layout d;
  const auto atom = Record(1, kTypeDocumentAtom, testing::Filled(40, 0x11));
  const auto masters = Record(0x1F, kTypeSlideListWithText, Entry(2, u'M'));
  const auto first = Entry(3, u'A');
  const auto slides =
      Record(0x0F, kTypeSlideListWithText, Cat({first, Entry(4, u'B'), Entry(5, u'C')}));
  const auto end = Record(0, kTypeEndDocument, {});
  const auto body = Cat({atom, masters});
  d.slides_list = 8 + body.size();
  d.second_entry = d.slides_list + 8 + first.size();
  d.bytes = Record(0x0F, kTypeDocument, Cat({body, slides, end}));
  return d;
}

// The persist ids of the slide persist atoms in the list of the given instance.
std::vector<uint32_t> ListedIds(const std::vector<uint8_t>& document, uint16_t instance) {
  std::vector<uint32_t> ids;
  for (const auto& child : testing::Walk(document, 8, document.size())) {
    if (child.type != kTypeSlideListWithText || (child.version_instance >> 4) != instance) continue;
    for (const auto& r : testing::Walk(document, child.offset + 8, child.offset + 8 + child.length))
      if (r.type == kTypeSlidePersistAtom) ids.push_back(GetU32(document, r.offset + 8));
  }
  return ids;
}

void Noise(std::vector<uint8_t>& bytes, size_t from, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[from + i] = static_cast<uint8_t>(0xE7 ^ (i * 37));
}

TEST(DocumentSalvage, EntriesAfterADestroyedRunOfTheSlideListAreKept) {
  Layout d = MakeDocument();
  Noise(d.bytes, d.slides_list + 8, 12);  // the first entry's atom
  const auto salvaged = SalvageDocument(d.bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_TRUE(IsWellFormedRecordRun(salvaged->bytes));
  EXPECT_TRUE(salvaged->slide_list_damaged);
  EXPECT_EQ(ListedIds(salvaged->bytes, 0), (std::vector<uint32_t>{4, 5}));
  EXPECT_EQ(ListedIds(salvaged->bytes, 1), (std::vector<uint32_t>{2}));
  EXPECT_TRUE(salvaged->entries_cut.empty()) << "no entry's texts were being read";
  // The end of the Document after the list is still there.
  const auto children = testing::Walk(salvaged->bytes, 8, salvaged->bytes.size());
  EXPECT_EQ(children.back().type, kTypeEndDocument);
}

TEST(DocumentSalvage, AnEntryWhoseTextsTheNoiseCutIsNamed) {
  Layout d = MakeDocument();
  Noise(d.bytes, d.second_entry + 28, 6);  // entry 4's text header, after its persist atom
  const auto salvaged = SalvageDocument(d.bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_EQ(ListedIds(salvaged->bytes, 0), (std::vector<uint32_t>{3, 4, 5}));
  EXPECT_EQ(salvaged->entries_cut, (std::vector<uint32_t>{4}));
}

// Entry 4 with a UTF-16 body after its title; noise over its atom, title and the body's
// head. The body's end, before its style record, is kept aside for the entry after it; a
// run of noise alone, where the text stood, gives no text.
TEST(DocumentSalvage, TheEndOfATextWhoseHeadTheNoiseTookIsKeptAside) {
  const auto atom = Record(1, kTypeDocumentAtom, testing::Filled(40, 0x11));
  std::vector<uint8_t> chars;
  for (char c : std::string("Lost head\rKept paragraph"))
    chars.insert(chars.end(), {uint8_t(c), 0});
  const auto body = Record(0, kTypeTextCharsAtom, chars);
  const auto style = Record(0, kTypeStyleTextPropAtom, testing::Filled(18, 0));
  const auto entry4 = Cat({Entry(4, u'B'), body, style});
  const auto list =
      Record(0x0F, kTypeSlideListWithText, Cat({Entry(3, u'A'), entry4, Entry(5, u'C')}));
  const std::vector<uint8_t> whole = Record(0x0F, kTypeDocument, Cat({atom, list}));
  const size_t entry4_at = 8 + atom.size() + 8 + Entry(3, u'A').size();
  std::vector<uint8_t> bytes = whole;
  Noise(bytes, entry4_at, 28 + 12 + 8 + 6);  // up to "Los" of the body
  auto salvaged = SalvageDocument(bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_EQ(ListedIds(salvaged->bytes, 0), (std::vector<uint32_t>{3, 5}));
  ASSERT_EQ(salvaged->text_tails.size(), 1u);
  EXPECT_EQ(salvaged->text_tails[0].next_persist_id, 5u);
  std::vector<uint8_t> kept;
  for (char c : std::string("Kept paragraph")) kept.insert(kept.end(), {uint8_t(c), 0});
  EXPECT_EQ(salvaged->text_tails[0].atom, Record(0, kTypeTextCharsAtom, kept));

  bytes = whole;
  Noise(bytes, entry4_at, entry4.size() - style.size());  // the whole body too
  salvaged = SalvageDocument(bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_TRUE(salvaged->text_tails.empty());
}

TEST(DocumentSalvage, ListWhoseHeaderIsDestroyedIsMadeAnewAroundItsEntries) {
  Layout d = MakeDocument();
  Noise(d.bytes, d.slides_list, d.second_entry - d.slides_list);  // header and first entry
  const auto salvaged = SalvageDocument(d.bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_TRUE(IsWellFormedRecordRun(salvaged->bytes));
  EXPECT_TRUE(salvaged->slide_list_damaged);
  EXPECT_EQ(ListedIds(salvaged->bytes, 0), (std::vector<uint32_t>{4, 5}));
  EXPECT_EQ(testing::Walk(salvaged->bytes, 8, salvaged->bytes.size()).back().type,
            kTypeEndDocument);
}

TEST(DocumentSalvage, WholeDocumentComesBackAsItWasAndNoiseOfNoKindIsDropped) {
  const Layout whole = MakeDocument();
  const auto same = SalvageDocument(whole.bytes);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->bytes, whole.bytes);
  EXPECT_FALSE(same->slide_list_damaged || same->children_lost);

  // A record of no kind a Document holds, fitting its container, between two children.
  Layout d = MakeDocument();
  const auto junk = Record(0x03, 0x0008, testing::Filled(16, 0x5A));
  d.bytes.insert(d.bytes.begin() + static_cast<std::ptrdiff_t>(d.slides_list), junk.begin(),
                 junk.end());
  PutU32(d.bytes, 4, GetU32(d.bytes, 4) + static_cast<uint32_t>(junk.size()));
  const auto salvaged = SalvageDocument(d.bytes);
  ASSERT_TRUE(salvaged);
  EXPECT_TRUE(salvaged->children_lost);
  EXPECT_EQ(salvaged->bytes.size(), whole.bytes.size());
  EXPECT_EQ(ListedIds(salvaged->bytes, 0), (std::vector<uint32_t>{3, 4, 5}));
}

TEST(DocumentSalvage, RefusesADocumentWithoutItsAtom) {
  Layout d = MakeDocument();
  Noise(d.bytes, 8, 8);
  EXPECT_FALSE(SalvageDocument(d.bytes));
  EXPECT_FALSE(SalvageDocument(std::vector<uint8_t>(4, 0)));
}

}  // namespace
}  // namespace vlx
