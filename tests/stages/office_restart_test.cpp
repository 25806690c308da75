// An office that crashes under a stage is restarted once per run: the stage redoes
// the slide it was making on the fresh office and goes on; a second crash ends the
// stage's part, and what it could not make is told.

#include <gtest/gtest.h>

#include <optional>

#include "engine/job/office_fault.h"
#include "engine/office/rebuilt_preview.h"
#include "engine/office/text_slide_writer.h"
#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;

class OfficeRestartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeOfficeFaults();
    run.dir.Write("w/vlxppt", {0xD0, 0xCF, 0x11, 0xE0});
    run.job.texts.groups.emplace_back();
    for (int64_t slide = 1; slide <= 4; ++slide)
      run.job.texts.groups.front().byte_texts.push_back({"text " + std::to_string(slide), slide});
  }
  void TearDown() override { TakeOfficeFaults(); }

  const Lines& DataSlides() { return run.view.Labels(ResultList::kDataSlides); }

  StageRun run;
};

TEST_F(OfficeRestartTest, DataSlidesGoOnOnARestartedOfficeAfterOneCrash) {
  run.office.CrashAt("Presentation.SaveAs", 2);  // while exporting the second slide
  WriteTextSlides(run.job);

  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2", "Data Slide3", "Data Slide4"}));
  EXPECT_EQ(run.office.ApplicationsRunning(), 0) << "the restarted office is ended too";
  EXPECT_EQ(run.office.ApplicationsCreated(), 3);  // the stage's two, one restart
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_FALSE(faults->lost);
  EXPECT_EQ(faults->recovered.size(), 1u);
  EXPECT_NE(run.sink.log.find("restarting it once"), std::string::npos);
}

TEST_F(OfficeRestartTest, SecondCrashEndsTheDataSlidesAndCountsWhatWasLost) {
  run.office.CrashAt("Presentation.SaveAs", 2);
  run.office.CrashAt("Presentation.SaveAs", 4);  // the third slide, on the restarted office
  WriteTextSlides(run.job);

  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2"}));
  EXPECT_EQ(run.office.ApplicationsCreated(), 3) << "no second restart";
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 4) << "nothing tried after the end";
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_TRUE(faults->lost);
  EXPECT_EQ(faults->losses, (Lines{"2 data slides not rendered"}));
}

TEST_F(OfficeRestartTest, ARefusedOpenIsNoOfficeFaultAndRestartsNothing) {
  run.office.FailCall("Presentations.Open", 2);
  WriteTextSlides(run.job);

  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2", "Data Slide3"}));
  EXPECT_EQ(run.office.ApplicationsCreated(), 2);
  EXPECT_FALSE(TakeOfficeFaults().has_value());
}

TEST_F(OfficeRestartTest, HeldOfficeIsReplacedWhenItCrashesUnderARebuiltSlide) {
  run.dir.Write("w/rebuilt.ppt", {0xD0, 0xCF, 0x11, 0xE0});
  run.job.held_application = run.office.CreateApplication(office::kProgId);
  run.office.CrashAt("Presentation.SaveAs", 1);
  PreviewRebuiltPresentation(run.job, run.W("rebuilt.ppt"));
  PreviewRebuiltPresentation(run.job, run.W("rebuilt.ppt"));

  EXPECT_EQ(run.view.Labels(ResultList::kSlides), (Lines{"Slide 1", "Slide 2"}));
  EXPECT_EQ(run.office.ApplicationsCreated(), 2);
  EXPECT_EQ(run.office.ApplicationsRunning(), 1) << "the fresh office is held in its place";
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_FALSE(faults->lost);
}

}  // namespace
}  // namespace vlx::testing
