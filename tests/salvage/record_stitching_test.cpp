// Sectors of a pictures stream whose chain is lost, placed by its own records.

#include "engine/salvage/record_stitching.h"

#include <gtest/gtest.h>

#include <vector>

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
  std::vector<uint32_t> Stitch(const std::vector<uint32_t>& foreign) {
    auto damaged = DamagedFile::Open(path);
    return salvage::StitchSectors(*damaged, SectorGeometry{}, 0, 4 * kSector,
                                  StitchedStream::kPictures, foreign)
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

}  // namespace
}  // namespace vlx::testing
