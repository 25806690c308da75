#include "engine/office/rebuilt_preview.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override { path = run.dir.Write("w/vlxppt", {0xD0, 0xCF}); }
  const Lines& Slides() { return run.view.Labels(ResultList::kSlides); }

  StageRun run;
  std::string path;
};

TEST_F(PreviewTest, ListsTheFirstExportedSlideNumberedFromOne) {
  PreviewRebuiltPresentation(run.job, path);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(Slides(), (Lines{"Slide 1", "Slide 2"}));
  EXPECT_EQ(run.sink.log, "    Recovered Slide 1\r\n    Recovered Slide 2\r\n");
  EXPECT_EQ(run.images.Thumbnails().at(0).path, run.W("vlxpptuu/Slide1.JPG"));
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
}

TEST_F(PreviewTest, DrivesTheOfficeInTheExpectedOrder) {
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(run.office.Journal(),
            (Lines{"CreateApplication(Powerpoint.Application)", "Application#1.Presentations()",
                   "Presentations.Open(" + path + ", 0, 0, 0)", "Presentation.Slides()",
                   "Presentation.DisplayComments(0)", "Application#1.Version()",
                   "Presentation.SaveAs(" + run.W("vlxpptuu") + ", 17, 1)", "Presentation.Close()",
                   "Application#1.Quit()"}));
  EXPECT_EQ(run.Checkpoints(),
            (std::vector<int>{144, 145, 146, 147, 148, 149, 150, 151, 152, 153}));
}

TEST_F(PreviewTest, TheHeldOfficeServesEveryPreviewAndIsLeftRunning) {
  run.job.held_application = run.office.CreateApplication(office::kProgId);
  for (int i = 0; i < 3; ++i) PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(Slides(), (Lines{"Slide 1", "Slide 2", "Slide 3"}));
  const Lines& journal = run.office.Journal();
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "CreateApplication(Powerpoint.Application)"),
            1);
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "Application#1.Quit()"), 0);
  EXPECT_EQ(run.office.ApplicationsRunning(), 1);
  EXPECT_EQ(run.office.PresentationsOpen(), 0);

  // A failed export closes the presentation but leaves the held office to the run.
  run.office.FailCall("Presentation.SaveAs", 1);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(run.office.ApplicationsRunning(), 1);
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
}

TEST_F(PreviewTest, NoOfficeShowsCriticalError033) {
  run.office.FailEveryCreation();
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(run.Messages(),
            (Lines{"Critical Error 033 has occured. Please restart the application."}));
  EXPECT_EQ(run.sink.messages.at(0).style, kStyleInformation);
  EXPECT_EQ(run.sink.messages.at(0).caption, "Veltrix Pellum PowerPoint");
  EXPECT_EQ(run.sink.maximised, 1);
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{144}));

  run.env.office = nullptr;
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(run.sink.messages.size(), 2u);
}

TEST_F(PreviewTest, AFileTheOfficeCannotOpenGetsNoItemAndTheOfficeEnds) {
  run.office.FailOpen(path);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_TRUE(Slides().empty());
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{144, 145, 146, 147, 152, 153}));
  EXPECT_TRUE(run.sink.messages.empty());
}

TEST_F(PreviewTest, AFailedExportClosesAndQuitsWithoutAnItem) {
  run.office.FailCall("Presentation.SaveAs", 1);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_TRUE(Slides().empty());
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{144, 145, 146, 147, 148, 148}));
}

TEST_F(PreviewTest, AFailingCloseStillEndsTheOffice) {
  run.office.FailCall("Presentation.Close", 1);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_TRUE(Slides().empty());
  EXPECT_EQ(run.office.CallCount("Presentation.Close"), 2);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
}

TEST_F(PreviewTest, AFailingPresentationsCollectionEndsTheOffice) {
  run.office.FailCall("Application.Presentations", 1);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_TRUE(Slides().empty());
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
}

TEST_F(PreviewTest, VersionEightShowsTheStockBitmapWithoutExporting) {
  run.office.SetVersion("8.0");
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(run.office.CallCount("Presentation.SaveAs"), 0);
  EXPECT_EQ(Slides(), (Lines{"Slide 1"}));
  EXPECT_EQ(run.view.last_bitmap.width, 350);
  EXPECT_EQ(run.view.last_bitmap.height, 350);
}

TEST_F(PreviewTest, AnExportThatWritesNothingIsNotShownWithAnEarlierPicture) {
  PreviewRebuiltPresentation(run.job, path);
  run.office.SetMissingExport(true);
  PreviewRebuiltPresentation(run.job, path);
  EXPECT_EQ(Slides(), (Lines{"Slide 1"}));
  EXPECT_EQ(run.sink.log, "    Recovered Slide 1\r\n");
}

}  // namespace
}  // namespace vlx::testing
