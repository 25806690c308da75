#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/fast/carve_streams.h"
#include "engine/job/messages.h"
#include "tests/fast/carving_fixture.h"

namespace vlx::testing {
namespace {

// Keeps every percentage and counter text in order.
class TrailSink : public RecordingSink {
 public:
  void SetProgress(int percent) override {
    RecordingSink::SetProgress(percent);
    percents.push_back(percent);
  }
  std::vector<int> percents;
};

struct TrailRun : CarvingRun {
  TrailSink trail;
  RunEnvironment trail_env{trail,     trace,   stop,    workspace,         view, images,
                           templates, &office, nullptr, env.output_folder, "Rec"};
  RecoveryJob trail_job{trail_env};
};

// The percentages of the offsets reached, each sent once when it changes.
std::vector<int> Changes(const std::vector<int>& percents) {
  std::vector<int> changes;
  for (int percent : percents)
    if (changes.empty() || changes.back() != percent) changes.push_back(percent);
  return changes;
}

std::vector<int> ExpectedPercents(uint64_t from, uint64_t limit, uint64_t step, uint64_t length) {
  std::vector<int> percents;
  for (uint64_t offset = from; offset < limit; offset += step)
    percents.push_back(static_cast<int>(offset * 100 / length));
  return Changes(percents);
}

std::vector<std::string> ExpectedCounters(uint64_t from, uint64_t limit, uint64_t step,
                                          uint64_t length) {
  std::vector<std::string> counters;
  for (uint64_t offset = from; offset < limit; offset += step)
    if (offset % 600 == 0) counters.push_back(CounterText(offset, length));
  return counters;
}

TEST(CarvingReports, EveryChangeOfThePercentageIsSentAndMultiplesOf600TheCounter) {
  const uint64_t length = 1'000'003;  // not a round number: percentages change mid-block
  TrailRun run;
  auto file = run.Damaged(Filler(length));
  ASSERT_TRUE(CarveCurrentUser(run.trail_job, *file));
  EXPECT_EQ(run.trail.percents, ExpectedPercents(0, length, 64, length));
  EXPECT_EQ(run.trail.counters, ExpectedCounters(0, length, 64, length));

  run.trail.percents.clear();
  run.trail.counters.clear();
  ASSERT_TRUE(CarvePicturesStream(run.trail_job, *file));
  EXPECT_EQ(run.trail.percents, ExpectedPercents(0, length - 512, 512, length));
  EXPECT_EQ(run.trail.counters, ExpectedCounters(0, length - 512, 512, length));
  EXPECT_EQ(run.trail.counters[1], "38400\\1000003");
}

TEST(CarvingReports, PicturesCopyReportsItsProgressAndDocumentCopyNone) {
  const uint64_t length = 200'000;
  const uint64_t hit = 512 * 100;
  Bytes bytes = Filler(length);
  // Records long enough for the percentage to change while they are copied.
  PutPictureRecord(bytes, hit, 0x46A0, 20'000);
  PutDocumentContainer(bytes, 2 * hit, 20'000);
  TrailRun run;
  auto file = run.Damaged(bytes);

  ASSERT_TRUE(CarvePicturesStream(run.trail_job, *file));
  // The scan up to and including the hit, then the copied blocks of the stream (one
  // picture record of 20008 bytes).
  std::vector<int> expected = ExpectedPercents(0, hit + 1, 512, length);
  const std::vector<int> copy = ExpectedPercents(hit, hit + 20'008, 512, length);
  expected.insert(expected.end(), copy.begin(), copy.end());
  EXPECT_EQ(run.trail.percents, Changes(expected));

  run.trail.percents.clear();
  ASSERT_TRUE(CarveDocumentStream(run.trail_job, *file));
  EXPECT_EQ(run.trail.percents, ExpectedPercents(0, 2 * hit + 1, 512, length));
}

TEST(CarvingReports, StopEndsEachPhaseBeforeItReadsAndCreatesNoFile) {
  CarvingRun run;
  Bytes bytes = Filler(4096);
  PutDocumentContainer(bytes, 0);
  PutCurrentUserAtom(bytes, 512);
  PutPictureRecord(bytes, 1024);
  auto file = run.Damaged(bytes);
  run.stop = true;
  EXPECT_FALSE(CarveDocumentStream(run.job, *file));
  EXPECT_FALSE(CarveCurrentUser(run.job, *file));
  EXPECT_FALSE(CarvePicturesStream(run.job, *file));
  EXPECT_EQ(run.sink.progress_calls, 0);
  EXPECT_FALSE(run.Exists("docfile"));
  EXPECT_FALSE(run.Exists("userfile"));
  EXPECT_FALSE(run.Exists("picfile"));
}

TEST(CarvingReports, TargetThatCannotBeCreatedShowsThePhasesCriticalError) {
  CarvingRun run;
  Bytes bytes = Filler(4096);
  PutDocumentContainer(bytes, 0);
  PutCurrentUserAtom(bytes, 512);
  PutPictureRecord(bytes, 1024);
  auto file = run.Damaged(bytes);
  for (const char* name : {"docfile", "userfile", "picfile"}) ::mkdir(run.W(name).c_str(), 0700);

  EXPECT_FALSE(CarveDocumentStream(run.job, *file));
  EXPECT_FALSE(CarveCurrentUser(run.job, *file));
  EXPECT_FALSE(CarvePicturesStream(run.job, *file));
  ASSERT_EQ(run.sink.messages.size(), 3u);
  EXPECT_EQ(run.sink.messages[0].text, CriticalErrorText(10));
  EXPECT_EQ(run.sink.messages[1].text, CriticalErrorText(11));
  EXPECT_EQ(run.sink.messages[2].text, CriticalErrorText(9));
  EXPECT_EQ(run.sink.messages[0].style, kStyleInformation);
  EXPECT_EQ(run.sink.maximised, 3);
}

TEST(CarvingReports, PlantedLinkAtTheTargetIsNeverFollowed) {
  CarvingRun run;
  const std::string outside = run.dir.File("outside");
  run.dir.Write("outside", {'k', 'e', 'e', 'p'});
  ASSERT_EQ(::symlink(outside.c_str(), run.W("docfile").c_str()), 0);
  Bytes bytes = Filler(2048);
  PutDocumentContainer(bytes, 512);
  auto file = run.Damaged(bytes);
  EXPECT_FALSE(CarveDocumentStream(run.job, *file));
  EXPECT_EQ(ReadAll(outside), (Bytes{'k', 'e', 'e', 'p'}));
}

}  // namespace
}  // namespace vlx::testing
