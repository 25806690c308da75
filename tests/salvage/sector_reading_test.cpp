// Reading sectors back: a chain read in runs of neighbouring sectors gives the same
// bytes as sector by sector, and counts what lay past the end of the file; the table
// pages of several sector layouts are found in one pass as they are one at a time.

#include <gtest/gtest.h>

#include <vector>

#include "engine/salvage/chain_reader.h"
#include "engine/salvage/fat_search.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr size_t kSector = 512;

Bytes Numbered(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(i * 31 + i / 512);
  return b;
}

TEST(SectorReading, ChainRunsReadAsTheirSectorsAndCountBytesPastTheEnd) {
  // Header block and sectors 0..5; the last is cut to 100 bytes.
  const Bytes image = Numbered(6 * kSector + 100);
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", image));
  const std::vector<uint32_t> chain = {1, 2, 3, 0, 5, 6};  // 6 lies wholly past the end
  salvage::ChainReader reader = salvage::ChainReader::Regular(*file, {}, chain);
  Bytes got(chain.size() * kSector, 0xAA);
  ASSERT_EQ(reader.Read(100, got.data(), got.size() - 100), got.size() - 100);
  for (size_t k = 0; k < chain.size(); ++k) {
    for (size_t i = (k == 0 ? 100 : 0); i < kSector; ++i) {
      const size_t from = (chain[k] + 1) * kSector + i;
      const unsigned char want = from < image.size() ? image[from] : 0;
      ASSERT_EQ(got[k * kSector + i - 100], want) << "sector " << k << " byte " << i;
    }
  }
  EXPECT_EQ(reader.missing(), (kSector - 100) + kSector);
}

TEST(SectorReading, PagesOfSeveralLayoutsAreFoundInOnePassAsOneAtATime) {
  // A FAT page marking itself (sector 2) and the chain 0 -> 1 -> end, at offset 777 of
  // an image, with 512-byte sectors.
  Bytes image = Numbered(40 * kSector);
  const size_t base = 777;
  Bytes page(kSector, 0xFF);
  const uint32_t entries[] = {1, 0xFFFFFFFE, 0xFFFFFFFD};
  for (size_t e = 0; e < 3; ++e)
    for (int b = 0; b < 4; ++b) page[4 * e + b] = static_cast<unsigned char>(entries[e] >> (8 * b));
  std::copy(page.begin(), page.end(), image.begin() + base + 3 * kSector);
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("image", image));
  const std::vector<salvage::SectorLayout> layouts = {
      {512, base % 512}, {4096, base % 4096}, {512, 3}};
  const auto together = salvage::FindFatByContent(*file, layouts);
  ASSERT_EQ(together.size(), layouts.size());
  for (size_t k = 0; k < layouts.size(); ++k) {
    const auto alone =
        salvage::FindFatByContent(*file, layouts[k].sector_size, layouts[k].alignment);
    ASSERT_EQ(together[k].size(), alone.size()) << k;
    for (size_t n = 0; n < alone.size(); ++n) {
      EXPECT_EQ(together[k][n].table, alone[n].table);
      EXPECT_EQ(together[k][n].geometry.base, alone[n].geometry.base);
    }
  }
  ASSERT_FALSE(together[0].empty());
  EXPECT_EQ(together[0].front().geometry.base, base);
  EXPECT_EQ(together[0].front().table[0], 1u);
}

}  // namespace
}  // namespace vlx::testing
