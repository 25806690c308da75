#include "engine/storage/compound_layout.h"

#include <gtest/gtest.h>

#include "engine/storage/compound_format.h"

namespace vlx {
namespace {

// Every sector of the file has a FAT entry, and the FAT sectors can hold them all.
void ExpectConsistent(const CompoundLayout& layout) {
  EXPECT_LE(layout.fat.size(), layout.fat_sectors * cfb::kEntriesPerSector);
  EXPECT_GT(layout.fat.size(), (layout.fat_sectors - 1) * cfb::kEntriesPerSector);  // not oversized
  for (uint64_t i = 0; i < layout.fat_sectors; ++i) {
    EXPECT_EQ(layout.fat.at(layout.fat_start + i), cfb::kFatSector);
  }
  for (uint64_t i = 0; i < layout.difat_sectors; ++i) {
    EXPECT_EQ(layout.fat.at(layout.difat_start + i), cfb::kDifatSector);
  }
  const uint64_t beyond_header = layout.fat_sectors > cfb::kHeaderDifatEntries
                                     ? layout.fat_sectors - cfb::kHeaderDifatEntries
                                     : 0;
  EXPECT_EQ(layout.difat_sectors,
            (beyond_header + cfb::kDifatEntriesPerSector - 1) / cfb::kDifatEntriesPerSector);
}

TEST(CompoundLayout, SmallStreamsGoToTheMiniStreamAtTheCutoff) {
  CompoundLayout layout;
  ASSERT_TRUE(PlanCompoundLayout(4, {0, 4095, 4096}, &layout));
  EXPECT_TRUE(layout.in_mini_stream[0]);
  EXPECT_TRUE(layout.in_mini_stream[1]);
  EXPECT_FALSE(layout.in_mini_stream[2]);
  EXPECT_EQ(layout.stream_start[0], cfb::kEndOfChain);  // empty: no chain at all
  EXPECT_EQ(layout.mini_stream_size, 4096u);            // 64 mini sectors
  EXPECT_EQ(layout.mini_fat_sectors, 1u);
  EXPECT_EQ(layout.mini_fat.size(), 64u);
  EXPECT_EQ(layout.mini_fat.at(63), cfb::kEndOfChain);
  EXPECT_EQ(layout.difat_sectors, 0u);
  ExpectConsistent(layout);
}

TEST(CompoundLayout, NoMiniStructuresWithoutSmallStreams) {
  CompoundLayout layout;
  ASSERT_TRUE(PlanCompoundLayout(2, {65536}, &layout));
  EXPECT_EQ(layout.mini_fat_start, cfb::kEndOfChain);
  EXPECT_EQ(layout.mini_stream_start, cfb::kEndOfChain);
  EXPECT_EQ(layout.difat_start, cfb::kEndOfChain);
  EXPECT_EQ(layout.fat.at(layout.stream_start[0] + 127), cfb::kEndOfChain);
  ExpectConsistent(layout);
}

TEST(CompoundLayout, FatGrowsIntoDifatSectorsAtEveryBoundary) {
  // Sizes around the point where the FAT needs a 110th sector and beyond, where the
  // DIFAT needs a second sector.
  const uint64_t per_fat_sector = cfb::kEntriesPerSector * cfb::kSectorSize;
  for (uint64_t fat : {108u, 109u, 110u, 236u, 237u, 238u}) {
    for (int64_t delta : {-2048, -512, 0, 512, 2048}) {
      const uint64_t size = fat * per_fat_sector + static_cast<uint64_t>(delta);
      CompoundLayout layout;
      ASSERT_TRUE(PlanCompoundLayout(2, {size}, &layout));
      ExpectConsistent(layout);
    }
  }
}

}  // namespace
}  // namespace vlx
