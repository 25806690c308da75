#include <gtest/gtest.h>

#include <filesystem>

#include "automation/stages/held_office.h"
#include "automation/stages/picture_thumbnail.h"
#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(AddPictureThumbnail, ListsNewestFirstAndDeletesBothFiles) {
  StageRun run;
  for (int i = 0; i < 2; ++i) {
    const std::string picture = run.dir.Write("w/temppic.png", {0x89, 'P', 'N', 'G'});
    AddPictureThumbnail(run.job, picture, run.W("temppic2.Jpg"), "png", run.dir.path());
    EXPECT_FALSE(fs::exists(picture));
    EXPECT_FALSE(fs::exists(run.W("temppic2.Jpg")));
  }
  EXPECT_EQ(run.view.Labels(ResultList::kPictures), (Lines{"Image 2", "Image 1"}));
  EXPECT_EQ(run.sink.log, "Recovered Image 1\r\nRecovered Image 2\r\n");
  const auto thumbnails = run.images.Thumbnails();
  ASSERT_EQ(thumbnails.size(), 2u);
  EXPECT_EQ(thumbnails[0].path, run.W("temppic2.Jpg"));
  EXPECT_EQ(thumbnails[0].width, 100);
  EXPECT_EQ(thumbnails[0].height, 100);
}

TEST(AddPictureThumbnail, APictureThatCannotBeConvertedIsLeftAlone) {
  StageRun run;
  run.images.fail_conversions = true;
  const std::string picture = run.dir.Write("w/temppic.wmf", {0xD7, 0xCD, 0xC6, 0x9A});
  AddPictureThumbnail(run.job, picture, run.W("temppic2.Jpg"), "wmf", run.dir.path());
  EXPECT_TRUE(run.view.Labels(ResultList::kPictures).empty());
  EXPECT_TRUE(run.images.Thumbnails().empty());
  EXPECT_TRUE(fs::exists(picture));
  EXPECT_TRUE(run.sink.log.empty());
}

TEST(HoldPowerPoint, KeepsTheApplicationInTheJob) {
  StageRun run;
  HoldPowerPoint(run.job);
  ASSERT_NE(run.job.held_application, nullptr);
  EXPECT_EQ(run.office.ApplicationsRunning(), 1);
  EXPECT_EQ(run.office.Journal(), (Lines{"CreateApplication(Powerpoint.Application)"}));
  EXPECT_TRUE(run.sink.messages.empty());
}

TEST(HoldPowerPoint, CreationFailureOrNoOfficeShowsCriticalError033) {
  StageRun run;
  run.office.FailEveryCreation();
  HoldPowerPoint(run.job);
  EXPECT_EQ(run.job.held_application, nullptr);
  run.env.office = nullptr;
  HoldPowerPoint(run.job);
  EXPECT_EQ(run.Messages(),
            (Lines{"Critical Error 033 has occured. Please restart the application.",
                   "Critical Error 033 has occured. Please restart the application."}));
}

}  // namespace
}  // namespace vlx::testing
