// The trials of one master-slide search share one office, and an office that fails
// under them falls under the run's one restart: the trial it was previewing is
// previewed again on the fresh office; a fault that cannot be made up for ends the
// trials and the run is told how many were not previewed.

#include "engine/rebuild/trial_office.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/job/office_fault.h"
#include "engine/rebuild/trial_preview.h"
#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;

class TrialOfficeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeOfficeFaults();
    run.dir.Write("w/vlxppt", {0xD0, 0xCF, 0x11, 0xE0});
  }
  void TearDown() override { TakeOfficeFaults(); }

  // Previews `count` trials through one preview function; returns how many gave a
  // picture. The function (and its office) is gone on return.
  int PreviewTrials(int count) {
    TrialPreview preview = OfficeTrialPreview();
    int pictures = 0;
    for (int n = 0; n < count; ++n)
      if (preview(run.job, run.W("vlxppt")).has_value()) ++pictures;
    return pictures;
  }

  StageRun run;
};

TEST_F(TrialOfficeTest, AllTrialsOfASearchShareOneOfficeQuitAtTheEnd) {
  EXPECT_EQ(PreviewTrials(6), 6);
  EXPECT_EQ(run.office.ApplicationsCreated(), 1);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 6);
  EXPECT_FALSE(TakeOfficeFaults().has_value());
}

TEST_F(TrialOfficeTest, ACrashUnderATrialRestartsTheOfficeOnceAndPreviewsItAgain) {
  run.office.CrashAt("Presentation.SaveAs", 2);
  EXPECT_EQ(PreviewTrials(4), 4);
  EXPECT_EQ(run.office.ApplicationsCreated(), 2);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0) << "the fresh office is quit too";
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 5) << "the second trial twice";
  EXPECT_TRUE(run.job.office_restarted);
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_FALSE(faults->lost);
  EXPECT_EQ(faults->recovered.size(), 1u);
}

TEST_F(TrialOfficeTest, ASecondCrashEndsTheTrialsAndCountsTheOnesNotPreviewed) {
  run.office.CrashAt("Presentation.SaveAs", 2);
  run.office.CrashAt("Presentation.SaveAs", 4);  // the third trial, on the fresh office
  EXPECT_EQ(PreviewTrials(6), 2);
  EXPECT_EQ(run.office.ApplicationsCreated(), 2) << "no second restart";
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 4) << "nothing tried after the end";
  EXPECT_NE(run.sink.log.find("remaining master-slide trials are not previewed"),
            std::string::npos);
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_TRUE(faults->lost);
  EXPECT_EQ(faults->losses, (Lines{"4 master-slide trials not previewed"}));
}

TEST_F(TrialOfficeTest, ARestartSpentEarlierInTheRunIsNotTakenAgain) {
  run.job.office_restarted = true;
  run.office.CrashAt("Presentation.SaveAs", 3);
  EXPECT_EQ(PreviewTrials(5), 2);
  EXPECT_EQ(run.office.ApplicationsCreated(), 1);
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  ASSERT_TRUE(faults.has_value());
  EXPECT_TRUE(faults->lost);
  EXPECT_EQ(faults->losses, (Lines{"3 master-slide trials not previewed"}));
}

TEST_F(TrialOfficeTest, TrialsTheOfficeRefusesAreNoFaultAndKeepTheOffice) {
  run.office.FailCall("Presentations.Open", 2);
  run.office.SetMissingExport(true);
  EXPECT_EQ(PreviewTrials(3), 0);
  EXPECT_EQ(run.office.ApplicationsCreated(), 1);
  EXPECT_FALSE(run.job.office_restarted);
  EXPECT_FALSE(TakeOfficeFaults().has_value());
}

TEST_F(TrialOfficeTest, NoOfficeAtAllIsToldOnceAndLosesNothingCounted) {
  run.office.FailEveryCreation();
  EXPECT_EQ(PreviewTrials(4), 0);
  EXPECT_EQ(run.office.CallCount("Server.CreateApplication"), 1);
  EXPECT_EQ(run.Messages(),
            Lines{"Critical Error 017 has occured. Please restart the application."});
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  EXPECT_TRUE(!faults.has_value() || faults->losses.empty());
}

}  // namespace
}  // namespace vlx::testing
