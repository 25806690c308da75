// The stages with the real picture toolkit: what the user finally sees.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "automation/imaging/qt_image_toolkit.h"
#include "automation/testing/scripted_office.h"
#include "engine/job/recovery_job.h"
#include "engine/office/rebuilt_preview.h"
#include "engine/scan/picture_report.h"
#include "tests/support/metafile_bytes.h"
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

// Draws nothing, and counts what it was asked to draw.
struct CountingDrawing : PictureDrawing {
  int calls = 0;
  bool Draw(const std::string&, const std::string&, int) override {
    ++calls;
    return false;
  }
};

// A metafile that stretches one bitmap, 60 x 30 pixels of one colour, over its frame.
MetafileBytes OneBitmapWmf(int16_t frame_width = 60) {
  return Wmf().Frame(frame_width, 30).Stretch(Dib(60, 30, 0x50), 60, 30, 60, 30).End().bytes;
}

TEST(PictureReportWithPictures, AMetafileThatIsOneBitmapShowsThatBitmapWithoutTheOffice) {
  PictureRun run;
  const MetafileBytes bytes = OneBitmapWmf();
  const std::string wmf = run.dir.Write("Image1.wmf", bytes);
  const std::string jpeg = run.workspace.File("temppic2.Jpg");
  CountingDrawing drawing;
  ReportPicture(run.job, wmf, "wmf", jpeg,
                PictureFacts{.placeholder_label = "WMF picture", .drawing = &drawing});
  EXPECT_EQ(drawing.calls, 0);
  ASSERT_EQ(run.view.pictures.size(), 1u);
  const Bitmap& thumb = run.view.pictures[0].item.thumbnail;
  ASSERT_EQ(thumb.width, 100);
  // Laid out as a 2:1 picture (silver above and below) in the bitmap's colour: blue
  // 0x50, green 0x51, red 0x52.
  EXPECT_EQ(thumb.at(50, 10), QtImageToolkit::kCanvasColour);
  const uint32_t middle = thumb.at(50, 50);
  EXPECT_NEAR(qBlue(middle), 0x50, 2);
  EXPECT_NEAR(qGreen(middle), 0x51, 2);
  EXPECT_NEAR(qRed(middle), 0x52, 2);
  // The saved picture is left as it was; the scratch bitmap is gone.
  EXPECT_EQ(ReadAll(wmf), bytes);
  EXPECT_FALSE(std::filesystem::exists(jpeg + ".bmp"));
}

TEST(PictureReportWithPictures, OtherMetafilesAreStillDrawnAndWithoutADrawingKeepTheirPlaceholder) {
  PictureRun run;
  const std::string jpeg = run.workspace.File("temppic2.Jpg");
  CountingDrawing drawing;
  // Twice as wide a frame: the bitmap covers half of it, so it is not the picture.
  const std::string wide = run.dir.Write("Image1.wmf", OneBitmapWmf(120));
  ReportPicture(run.job, wide, "wmf", jpeg,
                PictureFacts{.placeholder_label = "WMF picture", .drawing = &drawing});
  EXPECT_EQ(drawing.calls, 1);
  // Where nothing would draw the picture, it keeps its placeholder as before.
  const std::string lone = run.dir.Write("Image2.wmf", OneBitmapWmf());
  ReportPicture(run.job, lone, "wmf", jpeg, PictureFacts{.placeholder_label = "WMF picture"});
  ASSERT_EQ(run.view.pictures.size(), 2u);
  const Bitmap placeholder = run.job.env.images.LabelledPlaceholder("WMF picture", 100, 100);
  for (const auto& picture : run.view.pictures)
    EXPECT_EQ(picture.item.thumbnail.pixels, placeholder.pixels) << picture.item.file;
}

}  // namespace
}  // namespace vlx::testing
