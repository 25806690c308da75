// Sectors of a pictures stream whose chain is lost, placed by its own records.

#include "engine/salvage/record_stitching.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/salvage/salvage_extraction.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

using salvage::SectorGeometry;
using salvage::StitchedStream;

constexpr size_t kSector = 512;

void PutBlipHeader(std::vector<unsigned char>& b, size_t at, uint32_t length) {
  const unsigned char h[8] = {0x00,
                              0x6E,
                              0x1E,
                              0xF0,
                              static_cast<unsigned char>(length),
                              static_cast<unsigned char>(length >> 8),
                              static_cast<unsigned char>(length >> 16),
                              0};
  std::copy(h, h + 8, b.begin() + at);
}

// Two picture records in four stream sectors: the first from offset 0 to 1636 (no header
// inside stream sectors 1 and 2), the second from there to the end. The stream lies in
// file sectors 0, 1, then 5, 6; file sector 2 is where another stream begins, 3 and 4
// hold other bytes.
struct FragmentedPictures {
  FragmentedPictures() {
    std::vector<unsigned char> stream(4 * kSector, 0x5A);
    PutBlipHeader(stream, 0, 1636 - 8);
    PutBlipHeader(stream, 1636, 4 * kSector - 1636 - 8);
    std::vector<unsigned char> file(8 * kSector, 0xFF);  // header block, then sectors 0..6
    const size_t places[] = {0, 1, 5, 6};
    for (size_t i = 0; i < 4; ++i)
      std::copy_n(stream.begin() + i * kSector, kSector, file.begin() + (places[i] + 1) * kSector);
    path = dir.Write("fragmented", file);
  }
  std::vector<uint32_t> Stitch(const std::vector<uint32_t>& foreign,
                               const std::vector<uint32_t>& table = {}) {
    auto damaged = DamagedFile::Open(path);
    return salvage::StitchSectors(*damaged, SectorGeometry{}, 0, 4 * kSector,
                                  StitchedStream::kPictures, foreign, table)
        .sectors;
  }
  TempDir dir;
  std::string path;
};

TEST(RecordStitching, SectorsWithoutEvidenceFollowTheRunTheNextHeaderWasFoundInPastAForeignOne) {
  FragmentedPictures pictures;
  // Without knowing sector 2 is another stream's, it is taken to follow sector 1.
  EXPECT_EQ(pictures.Stitch({}), (std::vector<uint32_t>{0, 1, 2, 6}));
  EXPECT_EQ(pictures.Stitch({2}), (std::vector<uint32_t>{0, 1, 5, 6}));
  // A place that is taken itself leaves the guess as it was.
  EXPECT_EQ(pictures.Stitch({2, 5}), (std::vector<uint32_t>{0, 1, 2, 6}));
}

// One page of an allocation table: 0 -> 1 -> 5 -> 6, the other entries free.
std::vector<uint32_t> ChainPage() {
  std::vector<uint32_t> page(kSector / 4, 0xFFFFFFFF);
  page[0] = 1;
  page[1] = 5;
  page[5] = 6;
  page[6] = 0xFFFFFFFE;
  return page;
}

TEST(RecordStitching, WhereTheTableStillHoldsTheChainTheSectorsFollowIt) {
  FragmentedPictures pictures;
  // Nothing says sector 2 is another stream's, but the table says 5 comes after 1.
  EXPECT_EQ(pictures.Stitch({}, ChainPage()), (std::vector<uint32_t>{0, 1, 5, 6}));
  // A page holding an entry no chain can have (noise over it) says nothing.
  std::vector<uint32_t> noisy = ChainPage();
  noisy[100] = 0x1234567;
  EXPECT_EQ(pictures.Stitch({}, noisy), (std::vector<uint32_t>{0, 1, 2, 6}));
  // A table that leads back into the stream's own sectors is not followed there.
  std::vector<uint32_t> looping = ChainPage();
  looping[1] = 0;
  EXPECT_EQ(pictures.Stitch({}, looping), (std::vector<uint32_t>{0, 1, 2, 6}));
}

// With both chains lost, the pictures run 0, 1, 4, 5 and the document 6, 7, 2, 3: the
// sectors between the pictures' runs hold the end of the document, whose own records
// place them there; the pictures' guesses go around them.
TEST(RecordStitching, PicturesLeaveTheSectorsTheDocumentPlacesAlone) {
  std::vector<unsigned char> pictures(4 * kSector, 0x5A);
  PutBlipHeader(pictures, 0, 1636 - 8);
  PutBlipHeader(pictures, 1636, 4 * kSector - 1636 - 8);
  // The document: a Document container of small atoms to its last sector, then the
  // persist directory and the edit that names it.
  std::vector<unsigned char> document = {0x0F, 0, 0xE8, 0x03, 0, 0, 0, 0};
  for (int k = 0; k < 38; ++k) {
    const unsigned char atom[8] = {0, 0, 0xA0, 0x0F, 40, 0, 0, 0};
    document.insert(document.end(), atom, atom + 8);
    document.insert(document.end(), 40, static_cast<unsigned char>(k));
  }
  const uint32_t body = static_cast<uint32_t>(document.size() - 8);
  for (int i = 0; i < 4; ++i) document[4 + i] = static_cast<unsigned char>(body >> (8 * i));
  const uint32_t directory = static_cast<uint32_t>(document.size());
  const unsigned char persist[20] = {0, 0, 0x72, 0x17, 12, 0, 0, 0, 1, 0, 0x10, 0, 0, 0, 0, 0};
  document.insert(document.end(), persist, persist + 16);
  const uint32_t edit_fields[7] = {256, 0x03000000, 0, directory, 1, 2, 1};
  const unsigned char edit[8] = {0, 0, 0xF5, 0x0F, 28, 0, 0, 0};
  document.insert(document.end(), edit, edit + 8);
  for (uint32_t v : edit_fields)
    for (int i = 0; i < 4; ++i) document.push_back(static_cast<unsigned char>(v >> (8 * i)));
  ASSERT_GT(document.size(), 3 * kSector);
  ASSERT_LE(document.size(), 4 * kSector);
  std::vector<unsigned char> file(9 * kSector, 0xFF);
  const auto put = [&](const std::vector<unsigned char>& stream, size_t k, size_t sector) {
    const size_t take = std::min(kSector, stream.size() - k * kSector);
    std::copy_n(stream.begin() + k * kSector, take, file.begin() + (sector + 1) * kSector);
  };
  const size_t picture_places[] = {0, 1, 4, 5};
  const size_t document_places[] = {6, 7, 2, 3};
  for (size_t k = 0; k < 4; ++k) {
    put(pictures, k, picture_places[k]);
    put(document, k, document_places[k]);
  }
  TempDir dir;
  auto damaged = DamagedFile::Open(dir.Write("both", file));
  salvage::SalvagePlan plan;
  plan.mini_stream_cutoff = 1024;  // both streams in regular sectors, yet short
  salvage::CompoundItem document_item;
  document_item.path = {u"PowerPoint Document"};
  document_item.start_sector = 6;
  document_item.size = document.size();
  salvage::CompoundItem pictures_item;
  pictures_item.path = {u"Pictures"};
  pictures_item.start_sector = 0;
  pictures_item.size = pictures.size();
  plan.items = {pictures_item, document_item};
  bool stitched = false;
  EXPECT_EQ(salvage::RegularStreamSectors(*damaged, plan, document_item, &stitched).sectors,
            (std::vector<uint32_t>{6, 7, 2, 3}));
  EXPECT_EQ(salvage::RegularStreamSectors(*damaged, plan, pictures_item, &stitched).sectors,
            (std::vector<uint32_t>{0, 1, 4, 5}));
  EXPECT_TRUE(stitched);

  // Placed once for the whole plan, in the directory's order (the pictures first): the
  // document's sectors the pictures' stitch placed are the document's own.
  salvage::DocumentPlacement placement;
  EXPECT_EQ(
      salvage::RegularStreamSectors(*damaged, plan, pictures_item, &stitched, &placement).sectors,
      (std::vector<uint32_t>{0, 1, 4, 5}));
  ASSERT_TRUE(placement.placed);
  EXPECT_EQ(placement.sectors.sectors, (std::vector<uint32_t>{6, 7, 2, 3}));
  stitched = false;
  EXPECT_EQ(
      salvage::RegularStreamSectors(*damaged, plan, document_item, &stitched, &placement).sectors,
      (std::vector<uint32_t>{6, 7, 2, 3}));
  EXPECT_TRUE(stitched);
  // Another document entry of a damaged directory is placed for itself.
  salvage::CompoundItem other_document = document_item;
  other_document.start_sector = 2;
  const auto other =
      salvage::RegularStreamSectors(*damaged, plan, other_document, &stitched, &placement);
  ASSERT_FALSE(other.sectors.empty());
  EXPECT_EQ(other.sectors.front(), 2u);
}

}  // namespace
}  // namespace vlx::testing
