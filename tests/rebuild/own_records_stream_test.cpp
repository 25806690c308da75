#include "engine/rebuild/own_records_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;
using testing::U32s;

std::vector<uint8_t> SlidePersist(uint32_t id) {
  return Record(0, kTypeSlidePersistAtom, U32s({id, 0, 0, 0, 0}));
}

std::vector<uint8_t> Slide(uint8_t mark) {
  return Record(0x0F, kTypeSlide, Record(0x02, kTypeSlideAtom, testing::Filled(24, mark)));
}

std::vector<uint8_t> Edit(uint32_t last_edit, uint32_t directory, uint32_t seed) {
  return Record(0, kTypeUserEditAtom,
                U32s({256, 0x03000000u | 0x0003, last_edit, directory, 1, seed, 1}));
}

// A Document whose slide list names the ids, then one slide record for each (marked 0x20,
// 0x21, ...), whose offsets go to slides_at.
std::vector<uint8_t> DocumentAndSlides(std::initializer_list<uint32_t> ids,
                                       std::vector<size_t>& slides_at) {
  std::vector<uint8_t> entries;
  for (uint32_t id : ids) entries = Cat({entries, SlidePersist(id)});
  std::vector<uint8_t> b = Record(0x0F, kTypeDocument,
                                  Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                                       Record(0x0F, kTypeSlideListWithText, entries)}));
  for (size_t i = 0; i < ids.size(); ++i) {
    slides_at.push_back(b.size());
    b = Cat({b, Slide(static_cast<uint8_t>(0x20 + i))});
  }
  return b;
}

// Ends a stream holding the Document at 0 and slide 2 at slide_at with the persist
// directory that maps them and one edit.
void EndWithEdit(std::vector<uint8_t>& bytes, size_t slide_at) {
  const size_t dir = bytes.size();
  bytes = Cat({bytes, Record(0, kTypePersistDirectoryAtom,
                             U32s({1u | 2u << 20, 0, static_cast<uint32_t>(slide_at)}))});
  bytes = Cat({bytes, Edit(0, static_cast<uint32_t>(dir), 3)});
}

// A stream of two edits: the first writes the Document (id 1) and slides 2 and 3; the
// second rewrites slide 3. The second slide's first version is stale.
struct TwoEditStream {
  std::vector<uint8_t> bytes;
  size_t slide2 = 0, slide3_new = 0;
};

TwoEditStream MakeStream(bool damage_slide2) {
  TwoEditStream s;
  const auto text = Record(0, kTypeTextCharsAtom, {'H', 0, 'i', 0});
  const auto list =
      Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), text, SlidePersist(3), text}));
  const auto document = Record(0x0F, kTypeDocument, list);
  auto& b = s.bytes;
  b = document;
  s.slide2 = b.size();
  auto slide2 = Slide(0x22);
  if (damage_slide2) PutU32(slide2, 4, 400);  // the atom no longer fits its container
  b = Cat({b, slide2});
  const size_t slide3_old = b.size();
  b = Cat({b, Slide(0x30)});
  const size_t dir1 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 3u << 20, 0, static_cast<uint32_t>(s.slide2),
                           static_cast<uint32_t>(slide3_old)}))});
  const size_t edit1 = b.size();
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir1), 4)});
  s.slide3_new = b.size();
  b = Cat({b, Slide(0x33)});
  const size_t dir2 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({3u | 1u << 20, static_cast<uint32_t>(s.slide3_new)}))});
  b = Cat({b, Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 4)});
  return s;
}

std::span<const uint8_t> RecordAt(const std::vector<uint8_t>& bytes, uint32_t at) {
  return std::span<const uint8_t>(bytes).subspan(at, 8 + size_t{GetU32(bytes, at + 4)});
}

TEST(OwnRecordsStream, NewestEditWinsAndEverySlideKeepsItsBytes) {
  const TwoEditStream source = MakeStream(false);
  std::string why;
  const auto built = BuildOwnRecordsStream(source.bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3}));
  EXPECT_TRUE(built->slides_left_out.empty());
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));

  // Read the new stream's own chain back: each id lands on the record it names.
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(GetU16(built->bytes, map.at(1) + 2), kTypeDocument);
  const auto slide2 = RecordAt(built->bytes, map.at(2));
  const auto slide3 = RecordAt(built->bytes, map.at(3));
  EXPECT_TRUE(std::equal(slide2.begin(), slide2.end(), source.bytes.begin() + source.slide2));
  EXPECT_TRUE(std::equal(slide3.begin(), slide3.end(), source.bytes.begin() + source.slide3_new));
  // The new edit stands alone and its seed is above every id.
  EXPECT_EQ(GetU32(built->bytes, built->user_edit_offset + 16), 0u);
  EXPECT_GT(GetU32(built->bytes, built->user_edit_offset + 28), 3u);
}

TEST(OwnRecordsStream, DamagedSlideIsLeftOutOfTheSlideList) {
  const TwoEditStream source = MakeStream(true);
  std::string why;
  const auto built = BuildOwnRecordsStream(source.bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{3}));
  EXPECT_EQ(built->slides_left_out, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(map.count(2), 0u);
  // The Document names only the slide that came back, and its lengths still nest.
  const auto document = RecordAt(built->bytes, map.at(1));
  EXPECT_TRUE(IsWellFormedRecordRun(document));
  const auto persists = testing::Walk(document, 16, document.size());
  ASSERT_FALSE(persists.empty());
  EXPECT_EQ(persists[0].type, kTypeSlidePersistAtom);
  EXPECT_EQ(GetU32(document, 16 + 8), 3u);
}

TEST(OwnRecordsStream, DamagedSlideWithListTextsComesBackAsTextBoxes) {
  // Slide 2's entry holds a title; slide 2 itself is damaged.
  const auto title = Cat({Record(0, kTypeTextHeaderAtom, U32s({0})),
                          Record(0, kTypeTextCharsAtom, {'T', 0, 'o', 0, 'p', 0})});
  const auto list = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), title}));
  std::vector<uint8_t> bytes = Record(0x0F, kTypeDocument, list);
  const size_t slide_at = bytes.size();
  auto damaged = Slide(0x22);
  PutU32(damaged, 8 + 8 + 12, 0x80000001u);  // the slide atom's master id, still readable
  PutU32(damaged, 12, 4000);                 // ... but the atom overruns the slide
  damaged.resize(damaged.size() + 64, 0x5A);
  bytes = Cat({bytes, damaged});
  EndWithEdit(bytes, slide_at);

  std::string why;
  const auto built = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_stood_in, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(built->slides_left_out.empty());
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto slide = RecordAt(built->bytes, map.at(2));
  ASSERT_EQ(GetU16(slide, 2), kTypeSlide);
  EXPECT_TRUE(IsWellFormedRecordRun(slide));
  EXPECT_EQ(GetU16(slide, 8 + 2), kTypeSlideAtom);
  EXPECT_EQ(GetU32(slide, 8 + 8 + 12), 0x80000001u) << "on the master the slide named";
  // Its drawing id is one saved drawings do not use (they number from 1): shape ids
  // shared with a master's shapes make the office mix up their styles.
  const uint8_t fdg[] = {0x08, 0xF0};
  const auto drawing_atom = std::search(slide.begin(), slide.end(), std::begin(fdg), std::end(fdg));
  ASSERT_NE(drawing_atom, slide.end());
  EXPECT_EQ(GetU16(slide, static_cast<size_t>(drawing_atom - slide.begin()) - 2) >> 4, 0xFFF);
  // The title's records are in the slide byte for byte.
  EXPECT_NE(std::search(slide.begin(), slide.end(), title.begin(), title.end()), slide.end());
}

// Slide 2's first bytes (its header, its atom, its drawing's headers) are noise; its
// persist directory still says where it lay. It comes back with its list text, and with
// the shapes of its drawing left whole that stand on the slide by their own anchor: a
// table (a placeholder showing its own cells) and a text box. The placeholder showing
// the list text, and a shape of a group whose header is lost, stay out.
TEST(OwnRecordsStream, SlideWhoseHeadersAreNoiseComesBackWithTheShapesLeftWhole) {
  const auto title = Cat({Record(0, kTypeTextHeaderAtom, U32s({0})),
                          Record(0, kTypeTextCharsAtom, {'T', 0, 'o', 0, 'p', 0})});
  const auto list = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), title}));
  std::vector<uint8_t> b = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), list}));
  const size_t slide_at = b.size();
  const auto shape = [](uint8_t mark, std::vector<uint8_t> rest) {
    return Record(0x0F, kTypeShapeContainer,
                  Cat({Record(0x02, kTypeShapeAtom, testing::Filled(8, mark)), rest}));
  };
  const auto anchor = Record(0, kTypeClientAnchor, testing::Filled(8, 1));
  const auto placeholder =
      Record(0x0F, kTypeClientData, Record(0, kTypePlaceholderAtom, testing::Filled(8, 0)));
  const auto title_shape = shape(
      1, Cat({anchor, placeholder,
              Record(0x0F, kTypeClientTextbox, Record(0, kTypeOutlineTextRefAtom, U32s({0})))}));
  const auto table = Record(0x0F, kTypeGroupContainer,
                            Cat({shape(2, Cat({anchor, placeholder})),
                                 shape(3, Record(0, 0xF00F, testing::Filled(16, 3)))}));
  const auto text_box = shape(
      4, Cat({anchor, Record(0x0F, kTypeClientTextbox,
                             Cat({Record(0, kTypeTextHeaderAtom, U32s({4})),
                                  Record(0, kTypeTextCharsAtom, {'B', 0, 'o', 0, 'x', 0})}))}));
  const auto lost_group_child = shape(5, Record(0, 0xF00F, testing::Filled(16, 5)));
  b = Cat({b, std::vector<uint8_t>(100, 0xA7), title_shape, table, text_box, lost_group_child});
  EndWithEdit(b, slide_at);

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_stood_in, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto slide = RecordAt(built->bytes, map.at(2));
  ASSERT_EQ(GetU16(slide, 2), kTypeSlide);
  EXPECT_TRUE(IsWellFormedRecordRun(slide));
  const auto holds = [&slide](const std::vector<uint8_t>& part) {
    return std::search(slide.begin(), slide.end(), part.begin(), part.end()) != slide.end();
  };
  EXPECT_TRUE(holds(title));
  EXPECT_TRUE(holds(table));
  EXPECT_TRUE(holds(text_box));
  EXPECT_FALSE(holds(title_shape));
  EXPECT_FALSE(holds(lost_group_child));
}

// Directory entries whose offset holds no record's header tell where a record whose
// header is lost lay; one inside a record the directory maps is noise in the directory.
TEST(OwnRecordsStream, OffsetsWithoutAHeaderAreKeptApartAndNeverInsideAMappedRecord) {
  std::vector<uint8_t> b =
      Record(0x0F, kTypeDocument,
             Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                  Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), SlidePersist(3)}))}));
  const auto slide_at = static_cast<uint32_t>(b.size());
  b = Cat({b, std::vector<uint8_t>(100, 0xA7)});
  const auto dir = static_cast<uint32_t>(b.size());
  b = Cat({b, Record(0, kTypePersistDirectoryAtom, U32s({1u | 3u << 20, 0, slide_at, 20}))});
  const auto edit = static_cast<uint32_t>(b.size());
  b = Cat({b, Edit(0, dir, 3)});
  std::map<uint32_t, uint32_t> headless;
  EXPECT_EQ(PersistOffsets(b, edit, &headless), (std::map<uint32_t, uint32_t>{{1, 0}}));
  EXPECT_EQ(headless, (std::map<uint32_t, uint32_t>{{2, slide_at}}));
}

TEST(OwnRecordsStream, DamagedMasterKeepsItsWholeChildren) {
  // Document (id 1) naming slide 3, a master (id 2) whose second child overruns it, slide 3.
  const auto list = Record(0x0F, kTypeSlideListWithText, SlidePersist(3));
  std::vector<uint8_t> bytes = Record(0x0F, kTypeDocument, list);
  const size_t master_at = bytes.size();
  const auto good_child = Record(0x02, kTypeSlideAtom, testing::Filled(24, 0x44));
  auto broken_child = Record(0x0F, kTypePPDrawing, testing::Filled(16, 0x55));
  PutU32(broken_child, 4, 4000);
  auto master = Record(0x0F, kTypeMainMaster, Cat({good_child, broken_child}));
  bytes = Cat({bytes, master});
  const size_t slide_at = bytes.size();
  bytes = Cat({bytes, Slide(0x33)});
  const size_t dir = bytes.size();
  bytes = Cat({bytes, Record(0, kTypePersistDirectoryAtom,
                             U32s({1u | 3u << 20, 0, static_cast<uint32_t>(master_at),
                                   static_cast<uint32_t>(slide_at)}))});
  bytes = Cat({bytes, Edit(0, static_cast<uint32_t>(dir), 4)});

  std::string why;
  const auto built = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{3}));
  EXPECT_EQ(built->records_trimmed, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  ASSERT_EQ(map.count(2), 1u);
  const auto kept = RecordAt(built->bytes, map.at(2));
  EXPECT_EQ(GetU16(kept, 2), kTypeMainMaster);
  ASSERT_EQ(kept.size(), 8 + good_child.size());
  EXPECT_TRUE(std::equal(good_child.begin(), good_child.end(), kept.begin() + 8));
}

// A stream whose end (persist directory, user edit) was lost: the Document names master
// 2 and slides 4 then 3, and the notes master 5; the second slide is damaged.
std::vector<uint8_t> StreamWithoutEdit(size_t* master_at, size_t* first_slide_at) {
  auto document_atom = testing::Filled(40, 0);
  PutU32(document_atom, 24, 5);
  const auto masters = Record(0x1F, kTypeSlideListWithText, SlidePersist(2));
  const auto slides = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(4), SlidePersist(3)}));
  std::vector<uint8_t> bytes = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, document_atom), masters, slides}));
  *master_at = bytes.size();
  bytes = Cat(
      {bytes, Record(0x0F, kTypeMainMaster, Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)))});
  *first_slide_at = bytes.size();
  auto damaged = Slide(0x44);
  PutU32(damaged, 12, 400);  // its atom overruns it
  bytes = Cat({bytes, Slide(0x33), damaged});
  bytes =
      Cat({bytes, Record(0x0F, kTypeNotes, Record(0x01, kTypeNotesAtom, U32s({0x80000000u, 0})))});
  bytes.resize(bytes.size() + 512, 0);  // the lost end reads back as zeros
  return bytes;
}

TEST(OwnRecordsStream, WithoutAnEditPersistIdsComeFromTheOrderOfTheRecords) {
  size_t master_at = 0, slide_at = 0;
  const std::vector<uint8_t> bytes = StreamWithoutEdit(&master_at, &slide_at);
  const auto inferred = InferPersistIds(bytes);
  ASSERT_TRUE(inferred);
  EXPECT_EQ(inferred->document_id, 1u);
  EXPECT_EQ(inferred->offsets.at(1), 0u);
  EXPECT_EQ(inferred->offsets.at(2), master_at);
  EXPECT_EQ(inferred->offsets.at(4), slide_at) << "paired in slide-list order";
  EXPECT_EQ(inferred->offsets.count(3), 0u) << "the damaged slide has no place";
  EXPECT_EQ(inferred->offsets.count(5), 1u) << "the notes master by the Document atom";

  std::string why;
  const auto built = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->persist_ids_inferred);
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{4}));
  EXPECT_EQ(built->slides_left_out, (std::vector<uint32_t>{3}));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(map.size(), 4u);
  EXPECT_EQ(GetU32(built->bytes, built->user_edit_offset + 8 + 16), 1u) << "the Document's id";
}

TEST(OwnRecordsStream, EditWhoseDirectoryIsNoiseFallsBackOnTheOrderOfTheRecords) {
  size_t master_at = 0, slide_at = 0;
  std::vector<uint8_t> bytes = StreamWithoutEdit(&master_at, &slide_at);
  bytes.resize(bytes.size() - 512);
  const size_t directory = bytes.size();
  bytes = Cat({bytes, testing::Filled(32, 0xD7), Edit(0, static_cast<uint32_t>(directory), 6)});
  std::string why;
  const auto built = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->persist_ids_inferred);
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{4}));
}

TEST(OwnRecordsStream, PersistIdsBeyondTwentyBitsAreNoiseAndNeverWritten) {
  // The slide list names a second slide by an id no persist directory can hold.
  const auto slides =
      Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), SlidePersist(0x2D000001u)}));
  std::vector<uint8_t> bytes = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), slides}));
  bytes = Cat({bytes, Slide(0x22), Slide(0x33)});
  bytes.resize(bytes.size() + 512, 0);
  std::string why;
  const auto built = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2}));
  EXPECT_EQ(built->slides_left_out, (std::vector<uint32_t>{0x2D000001u}));
  // The new directory maps exactly what was written: no id spilled into its neighbours.
  EXPECT_EQ(PersistOffsets(built->bytes, built->user_edit_offset), built->persist_offsets);
}

TEST(OwnRecordsStream, OrderIsNotTrustedWhenThereAreMoreRecordsThanIds) {
  size_t master_at = 0, slide_at = 0;
  std::vector<uint8_t> bytes = StreamWithoutEdit(&master_at, &slide_at);
  // An older version of a slide in front: three slide records for two ids.
  bytes.resize(bytes.size() - 512);
  bytes = Cat({bytes, Slide(0x55)});
  EXPECT_FALSE(InferPersistIds(bytes));
  std::string why;
  EXPECT_FALSE(BuildOwnRecordsStream(bytes, std::nullopt, &why));
  EXPECT_FALSE(why.empty());
}

// A slide whose drawing holds the group's own shape, shape A, then shape B across the
// start of the sector in which the slide breaks.
TEST(OwnRecordsStream, DamagedSlideKeepsTheShapesBeforeItsDamagedSector) {
  const auto list = Record(0x0F, kTypeSlideListWithText, SlidePersist(2));
  std::vector<uint8_t> b = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), list}));
  const size_t slide_at = b.size();
  const auto shape = [](size_t body) {
    return Record(0x0F, kTypeShapeContainer,
                  Record(0x02, kTypeShapeAtom, testing::Filled(body, 7)));
  };
  const auto atom = Record(0x02, kTypeSlideAtom, testing::Filled(24, 1));
  // Headers in front of shape A: slide, its atom, drawing, group, the group's shape.
  const size_t a_at = slide_at + 8 + atom.size() + 8 + 8 + 8 + shape(8).size();
  const auto shape_a = shape(8);
  const size_t b_at = a_at + shape_a.size();
  const auto shape_b = shape(512 - b_at % 512 + 8);  // reaches 16 bytes past a sector start
  auto noise = Record(0x00, 0x0FA0, {});
  PutU32(noise, 4, 0x7FFFFFF0u);  // a header of noise
  const auto group = Record(0x0F, kTypeGroupContainer, Cat({shape(8), shape_a, shape_b, noise}));
  const auto drawing = Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, group));
  b = Cat({b, Record(0x0F, kTypeSlide, Cat({atom, drawing}))});
  EndWithEdit(b, slide_at);

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_trimmed, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(built->slides_stood_in.empty());
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto slide = RecordAt(built->bytes, map.at(2));
  // Slide, atom, drawing, OfficeArt drawing and group headers, the group's shape, shape A.
  EXPECT_EQ(slide.size(), 8 + atom.size() + 8 + 8 + 8 + 2 * shape_a.size());
  EXPECT_TRUE(std::equal(shape_a.begin(), shape_a.end(), slide.end() - shape_a.size()));
}

// A slide whose title placeholder lies before its damaged sector and whose body
// placeholder reaches into it: the body's list text comes back as a text box.
TEST(OwnRecordsStream, TrimmedSlideGetsTheListTextsOfItsLostPlaceholders) {
  const auto title = Cat({Record(0, kTypeTextHeaderAtom, U32s({0})),
                          Record(0, kTypeTextCharsAtom, {'T', 0, 'o', 0, 'p', 0})});
  const auto body = Cat({Record(0, kTypeTextHeaderAtom, U32s({1})),
                         Record(0, kTypeTextCharsAtom, {'L', 0, 'o', 0, 's', 0, 't', 0})});
  const auto list = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), title, body}));
  std::vector<uint8_t> b = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), list}));
  const size_t slide_at = b.size();
  const auto shape = [](uint32_t spid, std::vector<uint8_t> rest) {
    return Record(0x0F, kTypeShapeContainer,
                  Cat({Record(0x02, kTypeShapeAtom, U32s({spid, 0})), rest}));
  };
  const auto placeholder = [&](uint32_t spid, uint32_t index) {
    return shape(
        spid, Record(0x0F, kTypeClientTextbox, Record(0, kTypeOutlineTextRefAtom, U32s({index}))));
  };
  const auto atom = Record(0x02, kTypeSlideAtom, testing::Filled(24, 1));
  const auto dg_atom = Record(1 << 4, kTypeDrawingAtom, U32s({3, 0x402}));
  const auto patriarch = shape(0x400, {});
  const auto title_shape = placeholder(0x401, 0);
  const auto body_shape = placeholder(0x402, 1);
  // A filler shape puts the body's placeholder across the start of a sector.
  const size_t filler_at = slide_at + 8 + atom.size() + 8 + 8 + dg_atom.size() + 8 +
                           patriarch.size() + title_shape.size();
  const size_t sector = (filler_at + 64) / 512 * 512 + 512;
  const auto filler =
      shape(0x403, Record(0, 0xF122, testing::Filled(sector - 8 - filler_at - 32, 0)));
  auto noise = Record(0x00, 0x0FA0, {});
  PutU32(noise, 4, 0x7FFFFFF0u);
  const auto group =
      Record(0x0F, kTypeGroupContainer, Cat({patriarch, title_shape, filler, body_shape, noise}));
  const auto drawing =
      Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, Cat({dg_atom, group})));
  b = Cat({b, Record(0x0F, kTypeSlide, Cat({atom, drawing}))});
  EndWithEdit(b, slide_at);

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_trimmed, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto slide = RecordAt(built->bytes, map.at(2));
  const auto kept = ChildRecords(FirstChild(
      FirstChild(FirstChild(slide, kTypePPDrawing), kTypeDrawingContainer), kTypeGroupContainer));
  ASSERT_EQ(kept.size(), 4u) << "the patriarch, the title, the filler and the body's box";
  EXPECT_TRUE(std::ranges::equal(kept[1], title_shape));
  const auto box_text = FirstChild(kept[3], kTypeClientTextbox);
  EXPECT_TRUE(std::ranges::equal(box_text.subspan(8), body));
  EXPECT_EQ(GetU32(kept[3], 16), 0x404u) << "after the drawing's shapes";
}

// A first save (Document, slides 2, 3, 4, its directory and edit) whose directory and edit
// are noise, then a second save that writes only the Document again.
std::vector<uint8_t> StreamWithLostFirstDirectory(bool noise_over_slide3, size_t slides_at[3]) {
  const auto list = Record(0x0F, kTypeSlideListWithText,
                           Cat({SlidePersist(2), SlidePersist(3), SlidePersist(4)}));
  const auto document = Record(
      0x0F, kTypeDocument, Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), list}));
  std::vector<uint8_t> b = document;
  for (int i = 0; i < 3; ++i) {
    slides_at[i] = b.size();
    b = Cat({b, Slide(static_cast<uint8_t>(0x20 + i))});
  }
  if (noise_over_slide3) PutU32(b, slides_at[1] + 4, 0x7FFFFFF0u);
  b = Cat({b, testing::Filled(24, 0xE5)});  // the first directory, as noise
  const size_t edit1 = b.size();
  b = Cat({b, Edit(0xFFFFFF00u, 0xFFFFFF00u, 5)});  // its edit: the header whole, noise after
  const size_t document2 = b.size();
  b = Cat({b, document});
  const size_t dir2 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, static_cast<uint32_t>(document2)}))});
  b = Cat({b, Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 5)});
  return b;
}

TEST(OwnRecordsStream, SlidesOfALostDirectoryArePairedWithTheListInOrder) {
  size_t at[3];
  std::string why;
  auto built = BuildOwnRecordsStream(StreamWithLostFirstDirectory(false, at), std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_paired_by_order, (std::vector<uint32_t>{2, 3, 4}));
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3, 4}));
  auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(built->bytes[map.at(4) + 16], 0x22) << "slide 4 is the third record";

  // Noise over slide 3's header, between two slides: the two records left and the list's
  // three ids say the noise took exactly one slide. Slides 2 and 4 keep their pairs;
  // slide 3 has nothing left and is left out.
  built = BuildOwnRecordsStream(StreamWithLostFirstDirectory(true, at), std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_paired_by_order, (std::vector<uint32_t>{2, 4}));
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 4}));
  EXPECT_EQ(built->slides_left_out, (std::vector<uint32_t>{3}));
  map = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(built->bytes[map.at(4) + 16], 0x22) << "slide 4 is still the third record";
}

// The first save's directory keeps its header and its first entry; noise took the rest,
// which now reads as offsets past the stream's end and as offsets of a record inside a
// slide (for slide 3 and for an id no list names).
TEST(OwnRecordsStream, DirectoryWhoseTailIsNoiseLeavesItsSlidesToThePairingByOrder) {
  std::vector<size_t> slides_at;
  std::vector<uint8_t> b = DocumentAndSlides({2, 3, 4}, slides_at);
  const auto inside_a_slide = static_cast<uint32_t>(slides_at[0] + 8);  // its SlideAtom
  const size_t dir1 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 4u << 20, 0, 0x8F3A1C22u, inside_a_slide, 0x7700AA11u,
                           5u | 1u << 20, inside_a_slide}))});
  const size_t edit1 = b.size();
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir1), 5)});
  const size_t document2 = b.size();
  b = Cat(
      {b, std::vector<uint8_t>(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(slides_at[0]))});
  const size_t dir2 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, static_cast<uint32_t>(document2)}))});
  b = Cat({b, Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 5)});

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_paired_by_order, (std::vector<uint32_t>{2, 3, 4}));
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3, 4}));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(map.count(5), 0u) << "a record inside a slide is no persisted object";
  EXPECT_EQ(built->bytes[map.at(3) + 16], 0x21);
}

// Two saves. The first writes Document 1, master 2 and slides 3 and 4; noise took its
// directory's entries, its edit and the header of the second save's Document. The second
// save rewrites slide 4; its directory names the new slide and the Document, its edit names
// the lost one. The first save ends where its directory does: its master and slides pair
// with its own lists, and the second save's slide is not counted among them.
TEST(OwnRecordsStream, SaveWhoseEditIsNoiseEndsAtItsDirectoryAndPairsItsRecords) {
  const auto list = [](std::vector<uint32_t> ids) {
    std::vector<uint8_t> entries;
    for (uint32_t id : ids) entries = Cat({entries, SlidePersist(id)});
    return entries;
  };
  const auto document = Record(0x0F, kTypeDocument,
                               Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                                    Record(0x1F, kTypeSlideListWithText, list({2})),
                                    Record(0x0F, kTypeSlideListWithText, list({3, 4}))}));
  std::vector<uint8_t> b = document;
  b = Cat({b, Record(0x0F, kTypeMainMaster, Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)))});
  b = Cat({b, Slide(0x30), Slide(0x40)});
  // The first directory: its header and the Document's entry whole, noise after; ids the
  // noise gives lie above the seed, one of them at the Document.
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, 0, 2u | 3u << 20, 0xE1F2A3B4u, 0x0BADF00Du, 0x5A5A5A5Au,
                           0x4F0u | 1u << 20, 0}))});
  const size_t edit1 = b.size();
  b = Cat({b, testing::Filled(36 + 8, 0xD7)});  // the edit and the next Document's header
  const size_t document2 = b.size() - 8;
  b = Cat({b, std::vector<uint8_t>(document.begin() + 8, document.end())});
  const size_t slide4_new = b.size();
  b = Cat({b, Slide(0x44)});
  const size_t dir2 = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, static_cast<uint32_t>(document2), 4u | 1u << 20,
                           static_cast<uint32_t>(slide4_new)}))});
  // The seed is the largest id a save gave, as PowerPoint writes it.
  b = Cat({b, Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 4)});

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{3, 4}));
  EXPECT_EQ(built->slides_paired_by_order, (std::vector<uint32_t>{3}));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  ASSERT_EQ(map.count(2), 1u) << "the master pairs with the first save's list";
  EXPECT_EQ(GetU16(built->bytes, map.at(2) + 2), kTypeMainMaster);
  EXPECT_EQ(built->bytes[map.at(4) + 16], 0x44) << "slide 4 in its newest version";
  EXPECT_EQ(map.count(0x4F0), 0u) << "an id above the seed is noise";
}

TEST(OwnRecordsStream, NoiseThatMayHaveTakenMoreThanOneSlideLeavesTheOrderUnknown) {
  // Four listed slides whose directory was lost; noise over the second slide's header and
  // over the third's: one run of noise that may hide any number of records, so the two
  // records left (first and fourth) cannot be told apart from first and second.
  std::vector<size_t> slides_at;
  std::vector<uint8_t> b = DocumentAndSlides({2, 3, 4, 5}, slides_at);
  const std::vector<uint8_t> document(b.begin(),
                                      b.begin() + static_cast<std::ptrdiff_t>(slides_at[0]));
  for (int i : {1, 2})
    for (size_t k = 0; k < 8; ++k) b[slides_at[i] + k] = static_cast<uint8_t>(0x9D + 31 * k);
  const size_t document2 = b.size();
  b = Cat({b, document});
  const size_t dir = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, static_cast<uint32_t>(document2)}))});
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir), 5)});
  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->slides_paired_by_order.empty());
  EXPECT_TRUE(built->slides_kept.empty());
}

TEST(OwnRecordsStream, TitleMasterSavedAfterItsMainMasterIsPairedWithTheMastersList) {
  // Masters 2 (main) and 3 (its title master, a Slide container); slides 4 and 5.
  const auto masters =
      Record(0x1F, kTypeSlideListWithText, Cat({SlidePersist(2), SlidePersist(3)}));
  const auto slides = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(4), SlidePersist(5)}));
  std::vector<uint8_t> bytes =
      Record(0x0F, kTypeDocument,
             Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), masters, slides}));
  const size_t main_master = bytes.size();
  bytes = Cat(
      {bytes, Record(0x0F, kTypeMainMaster, Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)))});
  const size_t title_master = bytes.size();
  // A title master's slide atom names the title master's layout (2).
  bytes = Cat({bytes, Record(0x0F, kTypeSlide,
                             Record(0x02, kTypeSlideAtom, U32s({2, 0, 0, 0x80000001u, 0, 0})))});
  const size_t first_slide = bytes.size();
  bytes = Cat({bytes, Slide(0x44), Slide(0x55)});
  bytes.resize(bytes.size() + 512, 0);

  auto inferred = InferPersistIds(bytes);
  ASSERT_TRUE(inferred);
  EXPECT_EQ(inferred->offsets.at(2), main_master);
  EXPECT_EQ(inferred->offsets.at(3), title_master);
  EXPECT_EQ(inferred->offsets.at(4), first_slide) << "the slides are not shifted by one";

  // A cut file that lost a master: a slide saved after the main master keeps its own
  // layout and stays a slide.
  std::vector<uint8_t> without = bytes;
  without.erase(without.begin() + static_cast<ptrdiff_t>(title_master),
                without.begin() + static_cast<ptrdiff_t>(first_slide));
  inferred = InferPersistIds(without);
  ASSERT_TRUE(inferred);
  EXPECT_EQ(inferred->offsets.count(3), 0u);
  EXPECT_EQ(inferred->offsets.at(4), title_master);
}

// A file cut inside its Document, after the masters' list and before the slides' list:
// the slides saved before the Document are listed anew, the newest version of each
// drawing once.
TEST(OwnRecordsStream, DocumentCutBeforeItsSlideListListsTheSlidesFoundAnew) {
  const auto slide_drawing = [](uint8_t mark, uint16_t drawing) {
    const auto atom = Record(0x02, kTypeSlideAtom, U32s({1, 0, 0, 0x80000001u, 0, 0}));
    const auto dg = Record(static_cast<uint16_t>(drawing << 4), kTypeDrawingAtom, U32s({1, mark}));
    return Record(
        0x0F, kTypeSlide,
        Cat({atom, Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, dg))}));
  };
  std::vector<uint8_t> b;
  b = Cat({b, slide_drawing(0x10, 5)});  // drawing 5's older version
  const size_t slide_a = b.size();
  b = Cat({b, slide_drawing(0x11, 6)});
  const size_t master = b.size();
  b = Cat({b, Record(0x0F, kTypeMainMaster, Record(0x02, kTypeSlideAtom, testing::Filled(24, 1)))});
  const size_t new_version = b.size();
  b = Cat({b, slide_drawing(0x12, 5)});
  const auto masters = Record(0x1F, kTypeSlideListWithText, SlidePersist(2));
  const auto slides = Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(3), SlidePersist(4)}));
  const auto document =
      Record(0x0F, kTypeDocument,
             Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)), masters, slides}));
  const size_t cut = b.size() + document.size() - slides.size() + 8;
  b = Cat({b, document});
  b.resize(cut);  // the slides' list is gone but for its header

  const auto inferred = InferPersistIds(b);
  ASSERT_TRUE(inferred);
  EXPECT_FALSE(inferred->salvaged_document.empty());
  EXPECT_EQ(inferred->offsets.at(2), master);
  std::set<uint32_t> slide_offsets;
  for (const auto& [id, at] : inferred->offsets)
    if (id != 2 && id != inferred->document_id) slide_offsets.insert(at);
  EXPECT_EQ(slide_offsets, (std::set<uint32_t>{static_cast<uint32_t>(slide_a),
                                               static_cast<uint32_t>(new_version)}))
      << "the older version of drawing 5 is passed over";

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->persist_ids_inferred);
  EXPECT_EQ(built->slides_kept.size(), 2u);
  EXPECT_EQ(built->slides_relisted.size(), 2u);
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
}

// One edit: Document 1 (slides 2 and 3, notes page 4 of slide 3), with noise over slide
// 3's entry in the slides' list.
TEST(OwnRecordsStream, DamagedDocumentKeepsItsSlidesAndListsALostEntryAgain) {
  const auto text = Record(0, kTypeTextCharsAtom, {'H', 0, 'i', 0});
  const auto atom = Record(1, kTypeDocumentAtom, testing::Filled(40, 0));
  const auto masters = Record(0x1F, kTypeSlideListWithText, {});
  const auto slides =
      Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(2), text, SlidePersist(3), text}));
  const auto notes_list = Record(0x2F, kTypeSlideListWithText,
                                 Record(0, kTypeSlidePersistAtom, U32s({4, 0, 0, 0x100, 0})));
  std::vector<uint8_t> b = Record(0x0F, kTypeDocument, Cat({atom, masters, slides, notes_list}));
  const size_t lost_entry = 8 + atom.size() + masters.size() + 8 + 28 + text.size();
  for (size_t i = 0; i < 12; ++i) b[lost_entry + i] = static_cast<uint8_t>(0xC3 + 29 * i);
  const size_t slide2 = b.size();
  b = Cat({b, Slide(0x22)});
  const size_t slide3 = b.size();
  // Slide 3's atom names notes page 0x100, whose notes atom names slide id 777.
  b = Cat({b, Record(0x0F, kTypeSlide,
                     Record(0x02, kTypeSlideAtom, U32s({0, 0, 0, 0x80000001u, 0x100, 0})))});
  const size_t notes = b.size();
  b = Cat({b, Record(0x0F, kTypeNotes, Record(1, kTypeNotesAtom, U32s({777, 0})))});
  const size_t dir = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 4u << 20, 0, static_cast<uint32_t>(slide2),
                           static_cast<uint32_t>(slide3), static_cast<uint32_t>(notes)}))});
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir), 5)});

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->document_salvaged);
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(built->slides_relisted, (std::vector<uint32_t>{3}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto document = RecordAt(built->bytes, map.at(1));
  // The relisted slide comes after slide 2 with the id its notes page names.
  std::vector<std::pair<uint32_t, uint32_t>> listed;  // persist id, slide id
  for (const auto& child : testing::Walk(document, 8, document.size()))
    if (child.type == kTypeSlideListWithText && child.version_instance == 0x0F)
      for (const auto& r :
           testing::Walk(document, child.offset + 8, child.offset + 8 + child.length))
        if (r.type == kTypeSlidePersistAtom)
          listed.emplace_back(GetU32(document, r.offset + 8), GetU32(document, r.offset + 20));
  EXPECT_EQ(listed, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 0}, {3, 777}}));
}

// One save that wrote its slides in the order of its list (5, 3, 4: ids need not follow
// that order), with noise over the second entry. The lost entry comes back where the
// slide's record lies among the others.
TEST(OwnRecordsStream, LostEntryOfASaveInListOrderComesBackWhereItsRecordLies) {
  const auto text = Record(0, kTypeTextCharsAtom, {'H', 0, 'i', 0});
  const auto atom = Record(1, kTypeDocumentAtom, testing::Filled(40, 0));
  const auto slides = Record(0x0F, kTypeSlideListWithText,
                             Cat({SlidePersist(5), text, SlidePersist(3), text, SlidePersist(4)}));
  std::vector<uint8_t> b = Record(0x0F, kTypeDocument, Cat({atom, slides}));
  const size_t lost_entry = 8 + atom.size() + 8 + 28 + text.size();
  for (size_t i = 0; i < 12; ++i) b[lost_entry + i] = static_cast<uint8_t>(0xC3 + 29 * i);
  std::vector<uint32_t> at;
  for (uint8_t mark : {0x50, 0x30, 0x40}) {
    at.push_back(static_cast<uint32_t>(b.size()));
    b = Cat({b, Slide(mark)});
  }
  const size_t dir = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, 0, 3u | 3u << 20, at[1], at[2], at[0]}))});
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir), 6)});

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_relisted, (std::vector<uint32_t>{3}));
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{5, 3, 4}));
}

// The same save with noise over slide 3's entry, its title and the head of its body
// text; the body's end and its style record survive. Slide 3's shapes name texts 0 and 1:
// it gets an empty title and the body from its first whole paragraph on.
TEST(OwnRecordsStream, ARelistedSlideGetsTheEndOfItsTextThatSurvivesTheDamage) {
  const auto text = Record(0, kTypeTextCharsAtom, {'H', 0, 'i', 0});
  const auto atom = Record(1, kTypeDocumentAtom, testing::Filled(40, 0));
  const std::string body = "Objectives\rPromote the code\rObtain feedback";
  const auto body_atom =
      Record(0, kTypeTextBytesAtom, std::vector<uint8_t>(body.begin(), body.end()));
  const auto style = Record(0, kTypeStyleTextPropAtom, testing::Filled(18, 0));
  const auto header = [](uint16_t index, uint32_t type) {
    return Record(static_cast<uint16_t>(index << 4), kTypeTextHeaderAtom, U32s({type}));
  };
  const auto entry3 = Cat({SlidePersist(3), header(0, 0), text, header(1, 1), body_atom, style});
  const auto slides =
      Record(0x0F, kTypeSlideListWithText, Cat({SlidePersist(5), text, entry3, SlidePersist(4)}));
  std::vector<uint8_t> b = Record(0x0F, kTypeDocument, Cat({atom, slides}));
  const size_t lost_from = 8 + atom.size() + 8 + 28 + text.size();
  const size_t lost_to = lost_from + 28 + 12 + text.size() + 12 + 8 + 6;  // "Object" too
  for (size_t i = lost_from; i < lost_to; ++i) b[i] = static_cast<uint8_t>(0x80 + i % 16);
  const auto refers_to = [](uint32_t index) {
    return Record(
        0x0F, kTypeShapeContainer,
        Record(0x0F, kTypeClientTextbox, Record(0, kTypeOutlineTextRefAtom, U32s({index}))));
  };
  std::vector<uint32_t> at;
  for (uint8_t mark : {0x50, 0x30, 0x40}) {
    at.push_back(static_cast<uint32_t>(b.size()));
    b = Cat({b, mark == 0x30
                    ? Record(0x0F, kTypeSlide,
                             Cat({Record(0x02, kTypeSlideAtom, testing::Filled(24, mark)),
                                  Record(0x0F, kTypePPDrawing,
                                         Record(0x0F, kTypeDrawingContainer,
                                                Record(0x0F, kTypeGroupContainer,
                                                       Cat({refers_to(0), refers_to(1)}))))}))
                    : Slide(mark)});
  }
  const size_t dir = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom,
                     U32s({1u | 1u << 20, 0, 3u | 3u << 20, at[1], at[2], at[0]}))});
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir), 6)});

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_EQ(built->slides_relisted, (std::vector<uint32_t>{3}));
  EXPECT_EQ(built->slide_text_tails, (std::vector<uint32_t>{3}));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  const auto document = RecordAt(built->bytes, map.at(1));
  // Slide 3's entry: its atom counts two texts; headers 0 and 1 name them by instance.
  std::vector<std::string> texts;
  std::vector<uint16_t> headers;
  uint32_t counted = 0;
  bool in3 = false;
  for (const auto& child : testing::Walk(document, 8, document.size()))
    if (child.type == kTypeSlideListWithText && child.version_instance == 0x0F)
      for (const auto& r :
           testing::Walk(document, child.offset + 8, child.offset + 8 + child.length)) {
        if (r.type == kTypeSlidePersistAtom) {
          in3 = GetU32(document, r.offset + 8) == 3;
          if (in3) counted = GetU32(document, r.offset + 16);
        }
        if (!in3) continue;
        if (r.type == kTypeTextHeaderAtom) headers.push_back(r.version_instance);
        if (r.type == kTypeTextBytesAtom)
          texts.emplace_back(
              document.begin() + static_cast<std::ptrdiff_t>(r.offset + 8),
              document.begin() + static_cast<std::ptrdiff_t>(r.offset + 8 + r.length));
      }
  EXPECT_EQ(counted, 2u);
  EXPECT_EQ(headers, (std::vector<uint16_t>{0x00, 0x10}));
  EXPECT_EQ(texts, (std::vector<std::string>{"", "Promote the code\rObtain feedback"}));
}

// Three saves: the first writes Document 1 listing slide 2; the second a Document listing
// slides 2 and 3 and slide 3; the third rewrites slide 3 and the Document. The second
// edit's body and the third Document's header are noise.
TEST(OwnRecordsStream, BrokenEditChainAndLostNewestDocumentFallBackOnOlderSaves) {
  const auto document_listing = [](std::vector<uint32_t> ids) {
    std::vector<uint8_t> entries;
    for (uint32_t id : ids) entries = Cat({entries, SlidePersist(id)});
    return Record(0x0F, kTypeDocument,
                  Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                       Record(0x0F, kTypeSlideListWithText, entries)}));
  };
  const auto directory = [](std::vector<std::pair<uint32_t, size_t>> entries) {
    std::vector<uint8_t> words;
    for (const auto& [id, at] : entries)
      words = Cat({words, U32s({id | 1u << 20, static_cast<uint32_t>(at)})});
    return Record(0, kTypePersistDirectoryAtom, words);
  };
  std::vector<uint8_t> b;
  const auto append = [&b](const std::vector<uint8_t>& record) {
    const size_t at = b.size();
    b = Cat({b, record});
    return at;
  };
  const size_t doc1 = append(document_listing({2}));
  const size_t slide2 = append(Slide(0x22));
  const size_t dir1 = append(directory({{1, doc1}, {2, slide2}}));
  const size_t edit1 = append(Edit(0, static_cast<uint32_t>(dir1), 4));
  const size_t doc2 = append(document_listing({2, 3}));
  const size_t slide3 = append(Slide(0x30));
  const size_t dir2 = append(directory({{1, doc2}, {3, slide3}}));
  const size_t edit2 = append(Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 4));
  for (size_t i = 8; i < 36; ++i) b[edit2 + i] = static_cast<uint8_t>(0xF1 - 7 * i);
  const size_t doc3 = append(document_listing({2, 3}));
  for (size_t i = 0; i < 8; ++i) b[doc3 + i] = static_cast<uint8_t>(0x5A + 13 * i);
  const size_t slide3_new = append(Slide(0x33));
  const size_t dir3 = append(directory({{1, doc3}, {3, slide3_new}}));
  append(Edit(static_cast<uint32_t>(edit2), static_cast<uint32_t>(dir3), 4));

  // The older saves' directories are read where the chain breaks.
  const auto map = PersistOffsets(b, static_cast<uint32_t>(b.size() - 36));
  EXPECT_EQ(map.at(2), slide2);
  EXPECT_EQ(map.at(3), slide3_new);

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->older_document);
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3}));
  const auto rebuilt = PersistOffsets(built->bytes, built->user_edit_offset);
  EXPECT_EQ(built->bytes[rebuilt.at(3) + 16], 0x33) << "slide 3 in its newest version";
  EXPECT_EQ(built->bytes[rebuilt.at(2) + 16], 0x22);
}

// A slide whose drawing has the given drawing id.
std::vector<uint8_t> SlideDrawing(uint8_t mark, uint32_t drawing) {
  const auto atom =
      Record(static_cast<uint16_t>(drawing << 4), kTypeDrawingAtom, U32s({1, drawing << 10}));
  return Record(0x0F, kTypeSlide,
                Cat({Record(0x02, kTypeSlideAtom, testing::Filled(24, mark)),
                     Record(0x0F, kTypePPDrawing, Record(0x0F, kTypeDrawingContainer, atom))}));
}

// Two saves. The first writes Document 1 (master 5; slides 2, 3, 4), then its directory
// and edit, both lost to one run of noise. The second rewrites slide 4 under slide 2's
// drawing id and writes a Document whose slide list lost its header and first entry.
TEST(OwnRecordsStream, SaveThatLostItsDirectoryPairsItsRecordsWithItsOwnList) {
  const auto document_with = [](std::vector<uint32_t> ids) {
    std::vector<uint8_t> entries;
    for (uint32_t id : ids) entries = Cat({entries, SlidePersist(id)});
    return Record(0x0F, kTypeDocument,
                  Cat({Record(0x01, kTypeDocumentAtom, testing::Filled(40, 0)),
                       Record(0x1F, kTypeSlideListWithText, SlidePersist(5)),
                       Record(0x0F, kTypeSlideListWithText, entries)}));
  };
  std::vector<uint8_t> b;
  const auto append = [&b](const std::vector<uint8_t>& record) {
    const size_t at = b.size();
    b = Cat({b, record});
    return at;
  };
  const size_t doc1 = append(document_with({2, 3, 4}));
  const size_t master = append(
      Record(0x0F, kTypeMainMaster, Record(0x02, kTypeSlideAtom, testing::Filled(24, 0x55))));
  const size_t slide2 = append(SlideDrawing(0x22, 2));
  const size_t slide3 = append(SlideDrawing(0x33, 3));
  append(SlideDrawing(0x40, 4));
  const size_t dir1 =
      append(Record(0, kTypePersistDirectoryAtom,
                    U32s({1u | 1u << 20, static_cast<uint32_t>(doc1), 2u | 3u << 20,
                          static_cast<uint32_t>(slide2), static_cast<uint32_t>(slide3), 0,
                          5u | 1u << 20, static_cast<uint32_t>(master)})));
  const size_t edit1 = append(Edit(0, static_cast<uint32_t>(dir1), 6));
  for (size_t i = dir1; i < b.size(); ++i) b[i] = static_cast<uint8_t>(0x9D + 31 * i);
  const size_t doc2 = append(document_with({2, 3, 4}));
  const size_t lost = doc2 + 8 + 48 + 36;  // the slide list's header and its first entry
  for (size_t i = lost; i < lost + 36; ++i) b[i] = static_cast<uint8_t>(0xC3 + 29 * i);
  const size_t slide4 = append(SlideDrawing(0x44, 2));
  const size_t dir2 = append(Record(0, kTypePersistDirectoryAtom,
                                    U32s({1u | 1u << 20, static_cast<uint32_t>(doc2), 4u | 1u << 20,
                                          static_cast<uint32_t>(slide4)})));
  append(Edit(static_cast<uint32_t>(edit1), static_cast<uint32_t>(dir2), 6));

  std::string why;
  const auto built = BuildOwnRecordsStream(b, std::nullopt, &why);
  ASSERT_TRUE(built) << why;
  EXPECT_TRUE(built->document_salvaged);
  EXPECT_EQ(built->slides_restored, (std::vector<uint32_t>{2}));
  EXPECT_EQ(built->slides_paired_by_order, (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(built->slides_kept, (std::vector<uint32_t>{2, 3, 4}));
  EXPECT_TRUE(IsWellFormedRecordRun(built->bytes));
  const auto map = PersistOffsets(built->bytes, built->user_edit_offset);
  // Slide 2 is not taken for an older version of slide 4, which shares its drawing id.
  EXPECT_EQ(built->bytes[map.at(2) + 16], 0x22);
  EXPECT_EQ(built->bytes[map.at(3) + 16], 0x33);
  EXPECT_EQ(built->bytes[map.at(4) + 16], 0x44) << "slide 4 in its newest version";
  ASSERT_EQ(map.count(5), 1u) << "the master the lost directory mapped";
  EXPECT_EQ(GetU16(built->bytes, map.at(5) + 2), kTypeMainMaster);
}

TEST(OwnRecordsStream, RefusesStreamsWithoutAWholeDocument) {
  std::string why;
  EXPECT_FALSE(BuildOwnRecordsStream(std::vector<uint8_t>(64, 0xAB), std::nullopt, &why));
  EXPECT_FALSE(why.empty());
  TwoEditStream source = MakeStream(false);
  PutU32(source.bytes, 4, 9999);  // the Document overruns the stream
  EXPECT_FALSE(BuildOwnRecordsStream(source.bytes, std::nullopt, &why));
  // An edit chain that loops back on itself ends.
  source = MakeStream(false);
  const size_t last_edit = source.bytes.size() - 36;
  PutU32(source.bytes, last_edit + 16, static_cast<uint32_t>(last_edit));
  EXPECT_NO_THROW(BuildOwnRecordsStream(source.bytes, std::nullopt, &why));

  // A record of the Document's type that is no container, its body a header of a length
  // far past it, is not taken for an older Document when the directory's one is lost.
  std::vector<uint8_t> b =
      Record(0x00, kTypeDocument, Cat({Record(0, 0x7815, {}), testing::Filled(16, 0)}));
  PutU32(b, 8 + 4, 0x4C14A2A3u);
  const size_t dir = b.size();
  b = Cat({b, Record(0, kTypePersistDirectoryAtom, U32s({1u | 1u << 20, 4000}))});
  b = Cat({b, Edit(0, static_cast<uint32_t>(dir), 2)});
  EXPECT_FALSE(BuildOwnRecordsStream(b, std::nullopt, &why));
}

}  // namespace
}  // namespace vlx
