// The stages with the real picture toolkit: what the user finally sees.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "automation/imaging/qt_image_toolkit.h"
#include "automation/testing/scripted_office.h"
#include "engine/job/recovery_job.h"
#include "engine/office/rebuilt_preview.h"
#include "engine/scan/picture_report.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_run.h"

namespace vlx::testing {
namespace {

struct PictureRun : BasicTestRun<QtImageToolkit> {
  PictureRun() : BasicTestRun(TestRunOptions{.trace_on = false, .output_folder = ""}) {}
};

TEST(PreviewWithPictures, ShowsTheExportedSlideFramedOnSilver) {
  PictureRun run;
  const std::string path = run.dir.Write("w/vlxppt", {0xD0, 0xCF});
  PreviewRebuiltPresentation(run.job, path);
  ASSERT_EQ(run.view.Labels(ResultList::kSlides), (std::vector<std::string>{"Slide 1"}));
  const Bitmap& thumb = run.view.last_bitmap;
  ASSERT_EQ(thumb.width, 170);
  ASSERT_EQ(thumb.height, 120);
  EXPECT_EQ(thumb.at(0, 0), QtImageToolkit::kFrameColour);
  EXPECT_EQ(thumb.at(2, 60), QtImageToolkit::kCanvasColour);
  const uint32_t middle = thumb.at(85, 60);
  EXPECT_NEAR(qRed(middle), 40, 8);
  EXPECT_NEAR(qGreen(middle), 110, 8);
  EXPECT_NEAR(qBlue(middle), 190, 8);
}

TEST(PictureReportWithPictures, ThumbnailIsMadeAndTheJpegCopyRemoved) {
  PictureRun run;
  QImage picture(80, 80, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  const std::string png = run.dir.File("Image1.png");
  ASSERT_TRUE(picture.save(QString::fromStdString(png), "PNG"));
  const std::string jpeg = run.workspace.File("temppic2.Jpg");
  ReportPicture(run.job, png, "png", jpeg);
  EXPECT_EQ(run.view.Labels(ResultList::kPictures), (std::vector<std::string>{"Image 1"}));
  EXPECT_EQ(run.view.last_bitmap.width, 100);
  EXPECT_TRUE(std::filesystem::exists(png)) << "the saved picture stays";
  EXPECT_FALSE(std::filesystem::exists(jpeg));
}

TEST(PictureReportWithPictures, AMetafileIsListedWithoutAThumbnail) {
  PictureRun run;
  const std::string wmf = run.dir.Write("Image1.wmf", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0});
  ReportPicture(run.job, wmf, "wmf", run.workspace.File("temppic2.Jpg"));
  ASSERT_EQ(run.view.pictures.size(), 1u);
  EXPECT_TRUE(run.view.pictures[0].item.thumbnail.empty());
  EXPECT_EQ(run.view.pictures[0].item.file, wmf);
}

}  // namespace
}  // namespace vlx::testing
