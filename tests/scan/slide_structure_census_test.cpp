#include "engine/scan/slide_structure_census.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/format/plausible_length.h"
#include "tests/scan/scan_run.h"

namespace vlx::testing {
namespace {

std::vector<int64_t> Offsets(const FoundRecordList& list) {
  std::vector<int64_t> offsets;
  for (const FoundRecord& r : list) offsets.push_back(r.offset);
  return offsets;
}

struct CensusRun : ScanRun {
  void Census(const Bytes& bytes) {
    auto file = Damaged(bytes);
    ASSERT_NE(file, nullptr);
    job.file_length = file->GetLength();
    ScanSlideStructures(job, *file);
  }
  size_t TotalFound() const {
    return job.drawings.size() + job.prog_tags.size() + job.main_masters.size() +
           job.blip_stores.size() + job.slide_lists.size();
  }
};

TEST(PlausibleLength, ZeroNegativeAndWholeFileLengthsFail) {
  EXPECT_FALSE(IsPlausibleLength(0, 1000));
  EXPECT_FALSE(IsPlausibleLength(0x80000000u, uint64_t{1} << 32));
  EXPECT_FALSE(IsPlausibleLength(1000, 1000));
  EXPECT_TRUE(IsPlausibleLength(999, 1000));
  EXPECT_TRUE(IsShorterThanFile(0, 1000));
  EXPECT_FALSE(IsShorterThanFile(1000, 1000));
}

TEST(ClassifyStructure, FollowsTheContainerMarkAndLengthRules) {
  auto kind = [](uint16_t ver_inst, uint16_t type, uint32_t length) {
    return ClassifyStructure({ver_inst, type, length}, 1000);
  };
  EXPECT_EQ(kind(0x000F, kTypePPDrawing, 10), StructureKind::kDrawing);
  EXPECT_EQ(kind(0x000F, kTypePPDrawing, 0), StructureKind::kNone);
  EXPECT_EQ(kind(0x001F, kTypePPDrawing, 10), StructureKind::kNone);
  EXPECT_EQ(kind(0x000F, kTypeProgTags, 999), StructureKind::kProgTags);
  EXPECT_EQ(kind(0x003F, kTypeBlipStore, 10), StructureKind::kBlipStore);
  EXPECT_EQ(kind(0x0000, kTypeBlipStore, 10), StructureKind::kBlipStore);
  EXPECT_EQ(kind(0x000F, kTypeMainMaster, 1000), StructureKind::kNone);
  EXPECT_EQ(kind(0x000F, kTypeMainMaster, 5), StructureKind::kMainMaster);
  EXPECT_EQ(kind(0x000F, kTypeSlideListWithText, 5), StructureKind::kSlideList);
  EXPECT_EQ(kind(0x001F, kTypeSlideListWithText, 5), StructureKind::kNone);  // masters' list
  EXPECT_EQ(kind(0x002F, kTypeSlideListWithText, 5), StructureKind::kNone);  // notes' list
  EXPECT_EQ(kind(0x000F, 0x03E8, 5), StructureKind::kNone);
}

TEST(SlideStructureCensus, FileShorterThanAHeaderFindsNothing) {
  CensusRun run;
  Bytes bytes = {0x0F, 0x00, 0x0C, 0x04, 0x01, 0x00, 0x00};
  run.Census(bytes);
  EXPECT_EQ(run.TotalFound(), 0u);
}

TEST(SlideStructureCensus, HeadersAcrossBlockEdgesAndAtTheFileEndAreFound) {
  CensusRun run;
  Bytes bytes = Filler(2000);
  PutHeader(bytes, 510, 0x000F, kTypePPDrawing, 40);      // straddles blocks 0 and 1
  PutHeader(bytes, 1023, 0x000F, kTypeMainMaster, 1999);  // body runs past the end
  PutHeader(bytes, 2000 - 8, 0x000F, kTypeProgTags, 1);   // header ends at the last byte
  run.Census(bytes);
  EXPECT_EQ(Offsets(run.job.drawings), (std::vector<int64_t>{510}));
  EXPECT_EQ(Offsets(run.job.main_masters), (std::vector<int64_t>{1023}));
  EXPECT_EQ(run.job.main_masters[0].length, 1999);
  EXPECT_EQ(Offsets(run.job.prog_tags), (std::vector<int64_t>{1992}));
}

TEST(SlideStructureCensus, NestedRecordsAndRepeatedListsAreAllCollectedInFileOrder) {
  CensusRun run;
  Bytes bytes = Filler(4096);
  PutHeader(bytes, 100, 0x000F, kTypeMainMaster, 300);
  PutHeader(bytes, 108, 0x000F, kTypePPDrawing, 200);  // inside the master
  PutHeader(bytes, 116, 0x003F, kTypeBlipStore, 50);   // inside the drawing
  PutHeader(bytes, 1000, 0x000F, kTypeSlideListWithText, 100);
  PutHeader(bytes, 3000, 0x000F, kTypeSlideListWithText, 100);
  PutHeader(bytes, 3100, 0x001F, kTypePPDrawing, 100);  // not a container mark
  run.Census(bytes);
  EXPECT_EQ(Offsets(run.job.main_masters), (std::vector<int64_t>{100}));
  EXPECT_EQ(Offsets(run.job.drawings), (std::vector<int64_t>{108}));
  EXPECT_EQ(Offsets(run.job.blip_stores), (std::vector<int64_t>{116}));
  EXPECT_EQ(Offsets(run.job.slide_lists), (std::vector<int64_t>{1000, 3000}));
}

TEST(SlideStructureCensus, ReportsOnePercentagePerBlockAndNeverAHundred) {
  CensusRun run;
  run.Census(Filler(512));
  EXPECT_EQ(run.sink.progress_calls, 1);
  EXPECT_EQ(run.sink.last_progress, 0);

  CensusRun longer;
  longer.Census(Filler(512 * 10 + 1));
  EXPECT_EQ(longer.sink.progress_calls, 11);
  EXPECT_EQ(longer.sink.last_progress, 99);
}

// Every position, planted or random, must be classified exactly as a plain
// position-by-position walk classifies it.
TEST(SlideStructureCensus, AgreesWithAPlainWalkOverEveryPosition) {
  std::mt19937 rng(7);
  const uint16_t types[] = {kTypePPDrawing, kTypeProgTags, kTypeBlipStore, kTypeMainMaster,
                            kTypeSlideListWithText};
  for (size_t size : {9u, 519u, 1024u, 5000u, 70001u}) {
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<unsigned char>(rng() % 4 == 0 ? 0x0F : rng());
    for (size_t n = 0; n < size / 20; ++n) {
      const uint16_t ver = rng() % 3 == 0 ? 0x001F : 0x000F;
      PutHeader(bytes, rng() % size, ver, types[rng() % 5], rng() % (size + 10));
    }
    for (size_t at : {size - 8, size - 9, size_t{505}, size_t{511}})
      if (at < size) PutHeader(bytes, at, 0x000F, kTypeMainMaster, 3);

    CensusRun run;
    run.Census(bytes);
    const RecoveryJob& expected = run.job;
    FoundRecordList drawings, tags, masters, stores, lists;
    for (size_t p = 0; p + 8 <= size; ++p) {
      const RecordHeader h = RecordHeader::Decode(bytes.data() + p);
      switch (ClassifyStructure(h, size)) {
        case StructureKind::kDrawing:
          drawings.Append(p, h.length);
          break;
        case StructureKind::kProgTags:
          tags.Append(p, h.length);
          break;
        case StructureKind::kBlipStore:
          stores.Append(p, h.length);
          break;
        case StructureKind::kMainMaster:
          masters.Append(p, h.length);
          break;
        case StructureKind::kSlideList:
          lists.Append(p, h.length);
          break;
        case StructureKind::kNone:
          break;
      }
    }
    EXPECT_EQ(Offsets(expected.drawings), Offsets(drawings)) << size;
    EXPECT_EQ(Offsets(expected.prog_tags), Offsets(tags)) << size;
    EXPECT_EQ(Offsets(expected.blip_stores), Offsets(stores)) << size;
    EXPECT_EQ(Offsets(expected.main_masters), Offsets(masters)) << size;
    EXPECT_EQ(Offsets(expected.slide_lists), Offsets(lists)) << size;
  }
}

}  // namespace
}  // namespace vlx::testing
