#include <gtest/gtest.h>

#include <filesystem>

#include "engine/office/held_office.h"
#include "engine/office/office_picture_drawing.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_report.h"
#include "tests/scan/picture_bytes.h"
#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(ReportPicture, ListsNewestFirstKeepsTheSavedFileAndDeletesTheJpegCopy) {
  StageRun run;
  for (int i = 1; i <= 2; ++i) {
    const std::string picture =
        run.dir.Write("Image" + std::to_string(i) + ".png", {0x89, 'P', 'N', 'G'});
    ReportPicture(run.job, picture, "png", run.W("temppic2.Jpg"));
    EXPECT_TRUE(fs::exists(picture));
    EXPECT_FALSE(fs::exists(run.W("temppic2.Jpg")));
  }
  EXPECT_EQ(run.view.Labels(ResultList::kPictures), (Lines{"Image 2", "Image 1"}));
  EXPECT_EQ(run.job.results.Count(ResultList::kPictures), 2);
  EXPECT_EQ(run.sink.log, "Recovered Image 1\r\nRecovered Image 2\r\n");
  const auto thumbnails = run.images.Thumbnails();
  ASSERT_EQ(thumbnails.size(), 2u);
  EXPECT_EQ(thumbnails[0].path, run.W("temppic2.Jpg"));
  EXPECT_EQ(thumbnails[0].width, 100);
  EXPECT_EQ(thumbnails[0].height, 100);
}

TEST(ReportPicture, APictureThatCannotBeConvertedIsListedWithoutAThumbnail) {
  StageRun run;
  run.images.fail_conversions = true;
  const std::string picture = run.dir.Write("Image1.wmf", {0xD7, 0xCD, 0xC6, 0x9A});
  ReportPicture(run.job, picture, "wmf", run.W("temppic2.Jpg"));
  ASSERT_EQ(run.view.pictures.size(), 1u);
  EXPECT_TRUE(run.view.pictures[0].item.thumbnail.empty());
  EXPECT_EQ(run.view.pictures[0].item.kind, "wmf");
  EXPECT_TRUE(run.images.Thumbnails().empty());
  EXPECT_TRUE(fs::exists(picture));
}

TEST(ReportPicture, SavedNamesAreLowerCaseAndPlain) {
  EXPECT_EQ(SavedPictureExtension("Jpg"), "jpg");
  EXPECT_EQ(SavedPictureExtension("Png"), "png");
  EXPECT_EQ(SavedPictureExtension("/.."), "bin");
  EXPECT_EQ(SavedPicturePath("/o/Rec/", 3, "gif"), "/o/Rec/Pictures/Image3.gif");
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

// Metafile thumbnails drawn through the office: one office for the whole picture pass.
struct MetafilePass : StageRun {
  MetafilePass() {
    Bytes bytes = Filler(4000);
    PutBlip(bytes, 100, 0x3D40, MetafileBlipData(Emf()), 0, false);
    PutBlip(bytes, 900, 0x2170, MetafileBlipData(Wmf()), 0, false);
    PutBlip(bytes, 1700, 0x5420, MetafileBlipData(Pict()), 0, false);
    PutBlip(bytes, 2500, 0x6E00, Png());
    damaged = dir.Write("damaged.ppt", bytes);
  }
  void Extract() {
    OfficePictureDrawing drawing(job);
    ExtractImages(job, damaged, env.output_folder, {.drawing = &drawing});
  }
  std::string damaged;
};

TEST(MetafileThumbnails, AreDrawnThroughOneOfficeStartedForThePassAndEndedAfterIt) {
  MetafilePass run;
  run.Extract();
  ASSERT_EQ(run.view.pictures.size(), 4u);
  EXPECT_EQ(run.office.ApplicationsCreated(), 1);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.office.CallCount("Application.RenderPicture"), 3);
  EXPECT_TRUE(run.images.PlaceholderLabels().empty());
  for (const auto& picture : run.view.pictures) EXPECT_FALSE(picture.item.thumbnail.empty());
  EXPECT_FALSE(fs::exists(run.W("temppic2.Jpg.png")));
}

TEST(MetafileThumbnails, AnOfficeThatCannotDrawIsAskedOnceAndEveryMetafileKeepsItsPlaceholder) {
  MetafilePass run;
  run.office.FailCallsFrom("Application.RenderPicture", 1);
  run.Extract();
  ASSERT_EQ(run.view.pictures.size(), 4u);
  EXPECT_EQ(run.office.CallCount("Application.RenderPicture"), 1);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.images.PlaceholderLabels(), (Lines{"EMF picture", "WMF picture", "PICT picture"}));
}

TEST(MetafileThumbnails, WithoutAnOfficeOrOneThatWillNotStartThePlaceholdersStay) {
  MetafilePass none;
  none.env.office = nullptr;
  none.Extract();
  EXPECT_EQ(none.images.PlaceholderLabels().size(), 3u);

  MetafilePass refused;
  refused.office.FailCallsFrom("Server.CreateApplication", 1);
  refused.Extract();
  EXPECT_EQ(refused.office.CallCount("Server.CreateApplication"), 1);
  EXPECT_EQ(refused.images.PlaceholderLabels().size(), 3u);
  EXPECT_EQ(refused.view.pictures.size(), 4u);
}

TEST(MetafileThumbnails, TheOfficeTheRunHoldsDrawsThemAndKeepsRunning) {
  MetafilePass run;
  HoldPowerPoint(run.job);
  run.Extract();
  EXPECT_EQ(run.office.ApplicationsCreated(), 1);
  EXPECT_EQ(run.office.ApplicationsRunning(), 1);
  EXPECT_EQ(run.office.CallCount("Application.RenderPicture"), 3);
}

TEST(MetafileThumbnails, RasterPicturesStartNoOffice) {
  StageRun run;
  Bytes bytes = Filler(2000);
  PutBlip(bytes, 100, 0x6E00, Png());
  PutBlip(bytes, 900, 0x46A0, Jpeg());
  OfficePictureDrawing drawing(run.job);
  ExtractImages(run.job, run.dir.Write("damaged.ppt", bytes), run.env.output_folder,
                {.drawing = &drawing});
  EXPECT_EQ(run.view.pictures.size(), 2u);
  EXPECT_EQ(run.office.ApplicationsCreated(), 0);
}

}  // namespace
}  // namespace vlx::testing
