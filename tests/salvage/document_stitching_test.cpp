// Placing a document stream's sectors by its own records when the allocation table is
// gone: runs of sectors out of order, incremental saves whose edits chain backwards,
// and sectors of other data around them.

#include <gtest/gtest.h>

#include <vector>

#include "engine/salvage/record_stitching.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr size_t kSector = 512;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
Bytes Record(uint16_t ver_inst, uint16_t type, const Bytes& body) {
  Bytes r = {static_cast<unsigned char>(ver_inst), static_cast<unsigned char>(ver_inst >> 8),
             static_cast<unsigned char>(type), static_cast<unsigned char>(type >> 8)};
  Put32(r, static_cast<uint32_t>(body.size()));
  r.insert(r.end(), body.begin(), body.end());
  return r;
}
void Append(Bytes& out, const Bytes& part) {
  out.insert(out.end(), part.begin(), part.end());
}
Bytes Text(size_t length, unsigned char seed) {
  Bytes b(length);
  for (size_t i = 0; i < length; ++i) b[i] = static_cast<unsigned char>(seed + i * 7);
  return b;
}

// Ends a save: its persist directory (one run of ids from `first`) and its edit, which
// names the one before. The edit's offset.
uint32_t EndSave(Bytes& s, uint32_t first, const std::vector<uint32_t>& offsets, uint32_t previous,
                 uint32_t seed = 3) {
  const auto directory = static_cast<uint32_t>(s.size());
  Bytes entries;
  Put32(entries, first | static_cast<uint32_t>(offsets.size()) << 20);
  for (uint32_t offset : offsets) Put32(entries, offset);
  Append(s, Record(0, 0x1772, entries));
  const auto edit_at = static_cast<uint32_t>(s.size());
  Bytes edit;
  for (uint32_t v : {256u, 0x03000000u, previous, directory, 1u, seed, 1u}) Put32(edit, v);
  Append(s, Record(0, 0x0FF5, edit));
  return edit_at;
}

// A stream saved twice: the first save holds the Document and a slide with a long text
// atom, the second a newer copy of the slide; each save ends with its persist directory
// and its user edit, the second naming the first as the one before it.
Bytes IncrementalStream() {
  Bytes s;
  const auto slide = [](unsigned char seed) {
    return Record(
        0x000F, 0x03EE,
        Record(0x000F, 0x040C, Record(0x000F, 0xF002, Record(0, 0x0FA0, Text(900, seed)))));
  };
  Append(s, Record(0x000F, 0x03E8, Record(0, 0x03E9, Bytes(40, 1))));
  const uint32_t slide_one = static_cast<uint32_t>(s.size());
  Append(s, slide(3));
  const uint32_t edit_one = EndSave(s, 1, {0, slide_one}, 0);
  const uint32_t slide_two = static_cast<uint32_t>(s.size());
  Append(s, slide(9));
  EndSave(s, 2, {slide_two}, edit_one);
  return s;
}

// A compound image (header block, then sectors) with the stream's sectors at the given
// file sectors and other sectors holding bytes of no record.
Bytes Image(const Bytes& stream, const std::vector<uint32_t>& at, size_t sectors) {
  Bytes image((sectors + 1) * kSector, 0);
  for (size_t i = kSector; i < image.size(); ++i) image[i] = static_cast<unsigned char>(i * 13);
  for (size_t k = 0; k < at.size(); ++k) {
    const size_t from = k * kSector;
    const size_t take = std::min(kSector, stream.size() - from);
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(from), take,
                image.begin() + static_cast<std::ptrdiff_t>((at[k] + 1) * kSector));
  }
  return image;
}

std::vector<uint32_t> StitchImage(const Bytes& image, const Bytes& stream, uint32_t start,
                                  const std::vector<uint32_t>& foreign = {},
                                  const std::vector<uint32_t>& table = {}) {
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", image));
  return salvage::StitchSectors(*file, salvage::SectorGeometry{}, start, stream.size(),
                                salvage::StitchedStream::kDocument, foreign, table)
      .sectors;
}

std::vector<uint32_t> Stitch(const Bytes& stream, const std::vector<uint32_t>& at, size_t sectors) {
  return StitchImage(Image(stream, at, sectors), stream, at[0]);
}

// Copies stream sector k into file sector s of the image.
void CopySector(const Bytes& stream, size_t k, Bytes& image, size_t s) {
  const size_t take = std::min(kSector, stream.size() - k * kSector);
  std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(k * kSector), take,
              image.begin() + static_cast<std::ptrdiff_t>((s + 1) * kSector));
}

TEST(DocumentStitching, RunsOutOfOrderComeBackInStreamOrder) {
  const Bytes stream = IncrementalStream();
  const size_t count = (stream.size() + kSector - 1) / kSector;
  ASSERT_GE(count, 4u);
  // One run, then the rest of the stream in an earlier run of the file, backwards.
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k)
    at.push_back(k < 2 ? static_cast<uint32_t>(20 + k) : static_cast<uint32_t>(3 + k));
  EXPECT_EQ(Stitch(stream, at, 30), at);
}

TEST(DocumentStitching, ContiguousStreamStaysContiguous) {
  const Bytes stream = IncrementalStream();
  const size_t count = (stream.size() + kSector - 1) / kSector;
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k) at.push_back(static_cast<uint32_t>(5 + k));
  EXPECT_EQ(Stitch(stream, at, 20), at);
}

// Sectors whose jump falls inside the long text atom carry no header; the edits and
// persist directories at the stream's end still place the sectors that hold them.
TEST(DocumentStitching, EditsAtTheEndAreFoundAcrossAJump) {
  const Bytes stream = IncrementalStream();
  const size_t count = (stream.size() + kSector - 1) / kSector;
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k)
    at.push_back(k + 1 < count ? static_cast<uint32_t>(2 + k) : 40u);
  const std::vector<uint32_t> got = Stitch(stream, at, 45);
  ASSERT_EQ(got.size(), at.size());
  EXPECT_EQ(got.back(), 40u);
  EXPECT_EQ(got.front(), 2u);
}

// A later save's sectors lie in a run of their own, and an older copy of most of them
// (the same records at the same offsets) still lies in sectors the file freed. The run
// that ends in the sector holding the newest edit is the stream's: the sectors before
// that one are placed backwards from it, not taken from the older copy.
TEST(DocumentStitching, LaterRunIsPlacedBackwardsFromTheNewestEditNotFromAnOlderCopy) {
  const Bytes stream = IncrementalStream();
  const size_t count = (stream.size() + kSector - 1) / kSector;
  ASSERT_GE(count, 4u);
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k)
    at.push_back(k < 2 ? static_cast<uint32_t>(2 + k) : static_cast<uint32_t>(28 + k));
  Bytes image = Image(stream, at, 40);
  for (size_t k = 2; k + 1 < count; ++k)  // the older copy, at sectors 10 + k
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(k * kSector), kSector,
                image.begin() + static_cast<std::ptrdiff_t>((10 + k + 1) * kSector));
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", image));
  EXPECT_EQ(salvage::StitchSectors(*file, salvage::SectorGeometry{}, at[0], stream.size(),
                                   salvage::StitchedStream::kDocument)
                .sectors,
            at);
}

// One save whose Document container spans four sectors with small atoms only (no
// persisted object begins after its first sector), then its persist directory and edit.
// In stream sector 2 the first header begins at byte 40, one every 48 bytes after it.
Bytes OneLongContainer() {
  Bytes children;
  for (int k = 0; k < 40; ++k)
    Append(children, Record(0, 0x0FA0, Text(40, static_cast<unsigned char>(k))));
  Bytes s = Record(0x000F, 0x03E8, children);
  EndSave(s, 1, {0}, 0);
  return s;
}

// The stream leaves its first run after two sectors, inside the container; the sector
// after that run holds bytes that read like the stream's where its next header is due.
class StitchingPastLookalikes : public ::testing::Test {
 protected:
  void SetUp() override {
    stream = OneLongContainer();
    ASSERT_EQ((stream.size() + kSector - 1) / kSector, 4u);
    at = {2, 3, 20, 21};
    image = Image(stream, at, 30);
  }
  Bytes stream;
  std::vector<uint32_t> at;
  Bytes image;
};

// Another stream begins in sector 4 (or a table lies there): its bytes are never this
// stream's, however well they read.
TEST_F(StitchingPastLookalikes, ASectorKnownToHoldSomethingElseIsNotTaken) {
  at = {2, 3, 20, 25};
  image = Image(stream, at, 30);
  CopySector(stream, 2, image, 4);
  EXPECT_EQ(StitchImage(image, stream, 2, {4}), at);
}

// Sector 4 holds a copy of stream sector 2 (an older save's, which reads as well as the
// stream's own would), and noise destroyed sector 20 in place. The allocation table's page
// that still holds the chain says 20 comes after 3: the stream's sector, even destroyed,
// and not the copy. A page with noise in it says nothing.
TEST_F(StitchingPastLookalikes, WhereTheTableHoldsTheChainALookalikeIsNotTaken) {
  CopySector(stream, 2, image, 4);
  for (size_t i = 0; i < kSector; ++i)
    image[21 * kSector + i] = static_cast<unsigned char>(i * 7919 % 251);
  std::vector<uint32_t> table(kSector / 4, 0xFFFFFFFF);
  table[2] = 3;
  table[3] = 20;
  table[20] = 21;
  table[21] = 0xFFFFFFFE;
  EXPECT_EQ(StitchImage(image, stream, 2, {}, table), at);
  table[90] = 0x7A3B19C2;
  EXPECT_NE(StitchImage(image, stream, 2, {}, table), at);
}

// One header that happens to fit is not enough: the records after it must read on to
// the end of the sector, and in sector 4 they stop after the first.
TEST_F(StitchingPastLookalikes, ASectorWhoseRecordsStopAfterOneHeaderIsNotTaken) {
  CopySector(stream, 2, image, 4);
  std::fill_n(image.begin() + 5 * kSector + 48, kSector - 48, 0);
  EXPECT_EQ(StitchImage(image, stream, 2), at);
}

// Stream sector 1 was destroyed in place (noise), and an older copy of sectors 1 and 2
// (the same headers, other text) lies further on. The records go on in the stream's own
// run after the destroyed sector, so that run is kept: the older copy would take the
// intact sector 2 with it.
TEST_F(StitchingPastLookalikes, ADestroyedSectorKeepsItsPlaceInTheRunTheRecordsGoOnIn) {
  at = {2, 3, 4, 5};
  image = Image(stream, at, 30);
  Bytes older = stream;
  for (size_t atom = 0; atom < 40; ++atom)  // each atom's text, not its header
    for (size_t i = 0; i < 40; ++i) older[8 + atom * 48 + 8 + i] ^= 0x55;
  CopySector(older, 1, image, 12);
  CopySector(older, 2, image, 13);
  for (size_t i = 0; i < kSector; ++i)
    image[(3 + 1) * kSector + i] = static_cast<unsigned char>(i * 101 + 7);
  EXPECT_EQ(StitchImage(image, stream, 2), at);
}

// Four saves, each of one slide with a long text atom, the first with the Document too.
// Each save ends with its persist directory and its edit, which names the one before.
struct FourSaves {
  Bytes stream;
  std::vector<uint32_t> edits;
};
FourSaves FourSavesStream() {
  FourSaves saves;
  Bytes& s = saves.stream;
  Append(s, Record(0x000F, 0x03E8, Record(0, 0x03E9, Bytes(40, 1))));
  for (unsigned char save = 0; save < 4; ++save) {
    const auto slide_at = static_cast<uint32_t>(s.size());
    Append(s, Record(0x000F, 0x03EE,
                     Record(0x000F, 0x040C,
                            Record(0x000F, 0xF002, Record(0, 0x0FA0, Text(1000, save))))));
    saves.edits.push_back(save == 0 ? EndSave(s, 1, {0, slide_at}, 0)
                                    : EndSave(s, 2, {slide_at}, saves.edits[save - 1]));
  }
  return saves;
}

// The stream's sectors lie in two runs, the second begun inside the second save's long
// text, and the sector holding the third save's edit is destroyed: the chain of edits
// breaks there. The second save's edit, found in the file, takes the chain up again, and
// the slide it names places the sectors of its text in the second run.
TEST(DocumentStitching, ADestroyedEditLeavesTheChainToTheOlderEditsFoundInTheFile) {
  const FourSaves saves = FourSavesStream();
  const Bytes& stream = saves.stream;
  const size_t count = (stream.size() + kSector - 1) / kSector;
  const size_t jump = (saves.edits[0] + 600) / kSector;  // inside the second slide's text
  const size_t destroyed = saves.edits[2] / kSector;
  ASSERT_EQ(saves.edits[1] / kSector, (saves.edits[1] + 36) / kSector);
  ASSERT_GT(destroyed, jump + 1);
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k) at.push_back(static_cast<uint32_t>(k < jump ? 2 + k : 20 + k));
  Bytes image = Image(stream, at, 40);
  for (size_t i = 0; i < kSector; ++i)
    image[(at[destroyed] + 1) * kSector + i] = static_cast<unsigned char>(i * 37 + 11);
  // Another presentation's edit, in a sector of its own: it would lie between the second
  // edit and the destroyed one, but its persist id seed is above the newest edit's.
  const uint32_t foreign_edit = saves.edits[1] + 100;
  ASSERT_LT(foreign_edit, saves.edits[2]);
  Bytes foreign(foreign_edit % kSector - 16, 0x11);
  Bytes entries;
  Put32(entries, 2 | 1u << 20);
  Put32(entries, 0);
  Append(foreign, Record(0, 0x1772, entries));
  Bytes edit;
  for (uint32_t v : {256u, 0x03000000u, 0u, foreign_edit - 16, 1u, 40u, 1u}) Put32(edit, v);
  Append(foreign, Record(0, 0x0FF5, edit));
  ASSERT_LE(foreign.size(), kSector);
  std::copy(foreign.begin(), foreign.end(), image.begin() + 36 * kSector);
  EXPECT_EQ(StitchImage(image, stream, at[0]), at);
}

// The stream leaves its first run inside a long notes page that no directory names: the
// first sector of the second run holds no header. The run reaching back from the slide
// the directory names places that sector, and stops at the sector before it, from which a
// header was read that the sector before the second run does not hold.
TEST(DocumentStitching, TheRunReachingBackStopsAtASectorAHeaderWasReadFrom) {
  Bytes s = Record(0x000F, 0x03E8, Record(0, 0x03E9, Bytes(40, 1)));
  Append(s, Record(0x000F, 0x03F0, Record(0, 0x0FA0, Text(1000, 5))));  // to byte 1072
  Append(s, Record(0x000F, 0x03F0, Record(0, 0x0FA0, Text(1200, 6))));  // to byte 2288
  const auto slide = static_cast<uint32_t>(s.size());
  Append(s,
         Record(0x000F, 0x03EE,
                Record(0x000F, 0x040C, Record(0x000F, 0xF002, Record(0, 0x0FA0, Text(300, 7))))));
  EndSave(s, 1, {0, slide}, 0);
  const size_t count = (s.size() + kSector - 1) / kSector;
  ASSERT_EQ(slide / kSector, 4u);
  std::vector<uint32_t> at;
  for (size_t k = 0; k < count; ++k) at.push_back(static_cast<uint32_t>(k < 3 ? 2 + k : 17 + k));
  EXPECT_EQ(StitchImage(Image(s, at, 30), s, at[0]), at);
}

// A Document container whose children are long atoms: stream sectors 1 to 3 and 5, 6
// hold no header; 4 and 7 do (at bytes 20 and 30); the persist directory and the edit
// follow in sector 7.
Bytes LongAtoms() {
  Bytes children;
  Append(children, Record(0, 0x0FA0, Text(2052, 1)));  // to byte 2068
  Append(children, Record(0, 0x0FA0, Text(100, 2)));
  Append(children, Record(0, 0x0FA0, Text(1430, 3)));  // to byte 3614
  Append(children, Record(0, 0x0FA0, Text(100, 4)));
  Bytes s = Record(0x000F, 0x03E8, children);
  EndSave(s, 1, {0}, 0);
  return s;
}

// Two stretches without a header, each guessed to follow its predecessor's sector,
// end up sharing a sector (11) once the second one is moved off the tables at 5 and 6
// in front of the next header's run. A sector holds one sector of the stream: the first
// guess takes the sector before its successor's instead.
TEST(DocumentStitching, TwoGuessesNeverShareASector) {
  const Bytes stream = LongAtoms();
  ASSERT_EQ((stream.size() + kSector - 1) / kSector, 8u);
  const std::vector<uint32_t> at = {8, 9, 10, 3, 4, 11, 12, 13};
  EXPECT_EQ(StitchImage(Image(stream, at, 20), stream, 8, {5, 6}), at);
}

TEST(DocumentStitching, StartOutsideTheFileGivesNothing) {
  const Bytes stream = IncrementalStream();
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", Bytes(4 * kSector, 0)));
  EXPECT_TRUE(salvage::StitchSectors(*file, salvage::SectorGeometry{}, 9, stream.size(),
                                     salvage::StitchedStream::kDocument)
                  .sectors.empty());
}

}  // namespace
}  // namespace vlx::testing
