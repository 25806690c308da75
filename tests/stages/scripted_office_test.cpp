// The double is what every stage test trusts; these pin the behaviour they rely on.
#include "automation/testing/scripted_office.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "automation/testing/small_jpeg.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

namespace fs = std::filesystem;

TEST(ScriptedOffice, OpensOnlyExistingFilesAndJournalsFailures) {
  TempDir dir;
  const std::string file = dir.Write("p.ppt", {1, 2, 3});
  ScriptedOffice office;
  auto presentations = office.CreateApplication(office::kProgId)->GetPresentations();
  EXPECT_THROW(presentations->Open(dir.File("missing.ppt"), 0, 0, 0), office::AutomationError);
  EXPECT_NO_THROW(presentations->Open(file, 0, 0, 0));
  EXPECT_EQ(office.Journal(),
            (std::vector<std::string>{
                "CreateApplication(Powerpoint.Application)", "Application#1.Presentations()",
                "Presentations.Open(" + dir.File("missing.ppt") + ", 0, 0, 0) -> error",
                "Presentations.Open(" + file + ", 0, 0, 0)"}));
  EXPECT_EQ(office.PresentationsOpen(), 1);
}

TEST(ScriptedOffice, ExportsOneJpegPerSlideIncludingAddedOnes) {
  TempDir dir;
  const std::string file = dir.Write("p.ppt", {1});
  ScriptedOffice office;
  office.SetSlideCount(file, 2);
  auto presentation =
      office.CreateApplication(office::kProgId)->GetPresentations()->Open(file, 0, 0, 0);
  presentation->GetSlides()->Add(1, office::kLayoutText);
  presentation->SaveAs(dir.File("out"), office::kFormatJpeg, 1);
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(ReadAll(dir.File("out/Slide" + std::to_string(i) + ".JPG")), SmallJpegBytes());
  EXPECT_FALSE(fs::exists(dir.File("out/Slide4.JPG")));
}

TEST(ScriptedOffice, FailsTheScriptedCallAndEveryCallAfterQuitOrClose) {
  TempDir dir;
  const std::string file = dir.Write("p.ppt", {1});
  ScriptedOffice office;
  office.FailCall("Application.Version", 2);
  office.FailCreation(2);
  auto app = office.CreateApplication(office::kProgId);
  EXPECT_THROW(office.CreateApplication(office::kProgId), office::AutomationError);
  EXPECT_EQ(app->Version(), "12.0");
  EXPECT_THROW(app->Version(), office::AutomationError);
  EXPECT_EQ(app->Version(), "12.0");
  auto presentation = app->GetPresentations()->Open(file, 0, 0, 0);
  presentation->Close();
  EXPECT_THROW(presentation->GetSlides(), office::AutomationError);
  app->Quit();
  EXPECT_THROW(app->GetPresentations(), office::AutomationError);
  EXPECT_EQ(office.ApplicationsCreated(), 1);
  EXPECT_EQ(office.ApplicationsRunning(), 0);
  EXPECT_EQ(office.CallCount("Application.Version"), 3);
}

}  // namespace
}  // namespace vlx::testing
