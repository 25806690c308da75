// The index of where record headers may begin in each sector: it must never rule out
// a sector that holds a header, and should rule out those that cannot.

#include "engine/salvage/sector_header_index.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr size_t kSector = 512;

void PutHeader(Bytes& image, size_t at, uint16_t type, uint32_t length) {
  const unsigned char header[8] = {0x0F,
                                   0x00,
                                   static_cast<unsigned char>(type),
                                   static_cast<unsigned char>(type >> 8),
                                   static_cast<unsigned char>(length),
                                   static_cast<unsigned char>(length >> 8),
                                   static_cast<unsigned char>(length >> 16),
                                   static_cast<unsigned char>(length >> 24)};
  std::copy(std::begin(header), std::end(header), image.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(SectorHeaderIndex, RulesOutOnlySectorsWithoutAHeaderThere) {
  // Header block, then sectors 0..3 of zeros, sectors 4 and 5 of 0xFF.
  Bytes image(7 * kSector, 0);
  std::fill(image.begin() + 5 * kSector, image.end(), 0xFF);
  const size_t sector1 = 2 * kSector;
  PutHeader(image, sector1 + 200, 0x03EE, 100);          // a slide container
  PutHeader(image, 3 * kSector + 40, 0xF01D, 900);       // a drawing record
  PutHeader(image, 4 * kSector + 16, 0x03EE, 1u << 30);  // a length no stream holds
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", image));
  const salvage::SectorHeaderIndex index(*file, salvage::SectorGeometry{}, 64 * 1024);

  EXPECT_TRUE(index.MayHoldHeaderAt(1, 200));
  EXPECT_TRUE(index.MayHoldHeaderAt(2, 40));
  EXPECT_FALSE(index.MayHoldHeaderAt(0, 200));
  EXPECT_FALSE(index.MayHoldHeaderAt(1, 40));
  EXPECT_FALSE(index.MayHoldHeaderAt(3, 16));
  EXPECT_FALSE(index.MayHoldHeaderAt(5, 100));  // 0xFFFF is no record type
  // A header that would cross into the next sector, or a sector past the file's end,
  // is never ruled out.
  EXPECT_TRUE(index.MayHoldHeaderAt(0, kSector - 4));
  EXPECT_TRUE(index.MayHoldHeaderAt(40, 0));
}

}  // namespace
}  // namespace vlx::testing
