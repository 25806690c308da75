// The carving scan reads the file in chunks and tests offsets a stretch at a time: hits
// on either side of every edge it has (scan chunks, the file's read window, the end of
// the file) are found where they lie, and a stop request ends a long scan early.

#include <gtest/gtest.h>

#include "engine/fast/carve_streams.h"
#include "tests/fast/carving_fixture.h"

namespace vlx::testing {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kWindow = (4 << 20) + (64 << 10);  // the read window of a damaged file

// The 512-byte block at `at`, zeros past the end of the bytes.
Bytes BlockAt(const Bytes& bytes, size_t at) {
  Bytes block(512, 0);
  for (size_t i = 0; i < 512 && at + i < bytes.size(); ++i) block[i] = bytes[at + i];
  return block;
}

TEST(CarvingBoundaries, CurrentUserAtomOnEitherSideOfEveryEdgeIsTheOneTaken) {
  const size_t length = kWindow + 3 * kChunk + 40;
  const Bytes filler = Filler(length);
  for (size_t at : {size_t{0}, kChunk - 64, kChunk, kChunk + 64, 4 * kChunk - 64, kWindow - 64,
                    kWindow, kWindow + 64, length - 104, length - 40}) {
    SCOPED_TRACE(at);
    Bytes bytes = filler;
    PutCurrentUserAtom(bytes, at);
    PutCurrentUserAtom(bytes, 512 + 32);  // between tested offsets, never taken
    CarvingRun run;
    auto file = run.Damaged(bytes);
    ASSERT_TRUE(CarveCurrentUser(run.job, *file));
    EXPECT_EQ(run.Carved("userfile"), BlockAt(bytes, at));
  }
}

TEST(CarvingBoundaries, HeaderCutByTheEndOfTheFileStillCounts) {
  // The last tested offset holds the atom's first six bytes only: its length field
  // reads as zeros past the end.
  const size_t at = kChunk + 64 * 5;
  Bytes bytes = Filler(at + 6);
  PutCurrentUserAtom(bytes, at);
  CarvingRun run;
  auto file = run.Damaged(bytes);
  ASSERT_TRUE(CarveCurrentUser(run.job, *file));
  EXPECT_EQ(run.Carved("userfile"), BlockAt(bytes, at));

  // Three bytes of a container are no container.
  Bytes cut = Filler(kChunk + 512 + 3);
  PutDocumentContainer(cut, kChunk + 512);
  CarvingRun other;
  auto cut_file = other.Damaged(cut);
  ASSERT_TRUE(CarveDocumentStream(other.job, *cut_file));
  EXPECT_FALSE(other.Exists("docfile"));
}

TEST(CarvingBoundaries, ContainerAfterTheWindowEdgeCopiesItsOwnBytes) {
  const size_t length = kWindow + 2 * kChunk;
  for (size_t at : {kWindow - 512, kWindow, kWindow + kChunk}) {
    SCOPED_TRACE(at);
    Bytes bytes = Filler(length);
    PutDocumentContainer(bytes, at, 1000);
    CarvingRun run;
    auto file = run.Damaged(bytes);
    ASSERT_TRUE(CarveDocumentStream(run.job, *file));
    const Bytes carved = run.Carved("docfile");
    ASSERT_GE(carved.size(), 1008u);
    EXPECT_EQ(Slice(carved, 0, 1008), Slice(bytes, at, 1008));
  }
}

TEST(CarvingBoundaries, StopDuringTheScanEndsItBeforeALaterHit) {
  const size_t length = 1 << 20;
  Bytes bytes = Filler(length);
  PutDocumentContainer(bytes, length - 4096);
  PutCurrentUserAtom(bytes, length - 4096);
  PutPictureRecord(bytes, length - 4096);
  StoppingRun run;
  auto file = run.Damaged(bytes);
  EXPECT_FALSE(CarveDocumentStream(run.stopping_job, *file));
  EXPECT_FALSE(CarveCurrentUser(run.stopping_job, *file));
  EXPECT_FALSE(CarvePicturesStream(run.stopping_job, *file));
  EXPECT_FALSE(run.Exists("docfile"));
  EXPECT_FALSE(run.Exists("userfile"));
  EXPECT_FALSE(run.Exists("picfile"));
  // The stop is seen within a few KiB of where it was asked for.
  EXPECT_EQ(run.stopping.last_progress, 50);
}

// Keeps every percentage in order.
class PercentTrail : public RecordingSink {
 public:
  void SetProgress(int percent) override {
    RecordingSink::SetProgress(percent);
    percents.push_back(percent);
  }
  std::vector<int> percents;
};

TEST(CarvingBoundaries, SmallFilesShowEachPercentageOfATestedOffsetOnce) {
  // Files shorter than 100 bytes, or a few steps long, move by many percent a step.
  for (size_t length : {1, 7, 63, 64, 65, 130, 700, 4097}) {
    SCOPED_TRACE(length);
    CarvingRun run;
    PercentTrail trail;
    RunEnvironment env{trail,      run.trace,     run.stop, run.workspace, run.view,
                       run.images, run.templates, nullptr,  nullptr,       run.env.output_folder};
    RecoveryJob job{env};
    auto file = run.Damaged(Filler(length));
    ASSERT_TRUE(CarveCurrentUser(job, *file));
    std::vector<int> expected;
    for (size_t offset = 0; offset < length; offset += 64) {
      const int percent = static_cast<int>(offset * 100 / length);
      if (expected.empty() || expected.back() != percent) expected.push_back(percent);
    }
    EXPECT_EQ(trail.percents, expected);
    EXPECT_FALSE(trail.progress_out_of_range);
  }
}

}  // namespace
}  // namespace vlx::testing
