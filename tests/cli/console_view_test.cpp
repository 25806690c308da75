#include "cli/console_view.h"

#include <gtest/gtest.h>

#include "automation/testing/stub_image_toolkit.h"
#include "cli/fallback_image_toolkit.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace vlx::cli {
namespace {

using vlx::testing::ReadAll;
using vlx::testing::RecordingSink;
using vlx::testing::StubImageToolkit;
using vlx::testing::TempDir;

TEST(ThumbnailFileNameTest, NamedByListAndTheLabelsNumber) {
  EXPECT_EQ(ThumbnailFileName(ResultList::kSlides, "Slide 12", 1), "Slide 12.jpg");
  EXPECT_EQ(ThumbnailFileName(ResultList::kDataSlides, "Data Slide3", 1), "Data Slide 3.jpg");
  EXPECT_EQ(ThumbnailFileName(ResultList::kDataSlides, "Data Slide 3", 1), "Data Slide 3.jpg");
  EXPECT_EQ(ThumbnailFileName(ResultList::kPictures, "Image 2", 1), "Image 2.jpg");
  EXPECT_EQ(ThumbnailFileName(ResultList::kSlides, "../../etc/x", 7), "Slide 7.jpg")
      << "a label never becomes a path";
}

TEST(ThumbnailFileNameTest, SavedExtensionIsLowerCaseAndPlain) {
  EXPECT_EQ(SavedPictureExtension("Jpg"), "jpg");
  EXPECT_EQ(SavedPictureExtension("Png"), "png");
  EXPECT_EQ(SavedPictureExtension("bmp"), "bmp");
  EXPECT_EQ(SavedPictureExtension("/.."), "bin");
}

// A run environment around a ConsoleView, with the output folder in a temporary folder.
class ConsoleViewTest : public ::testing::Test {
 protected:
  void Attach(ImageToolkit& images) {
    env_ = std::make_unique<RunEnvironment>(RunEnvironment{
        sink_, trace_, stop_, workspace_, view_, images, nullptr, nullptr, output_.path(), "Rec"});
    view_.Attach(env_.get());
  }

  std::string WritePicture(const std::vector<unsigned char>& bytes) {
    return temp_.Write("temppic.Png", bytes);
  }

  TempDir temp_, output_;
  RecordingSink sink_;
  TraceLog trace_{temp_.File("trace.log"), false};
  StopFlag stop_{false};
  Workspace workspace_ = Workspace::At(temp_.File("work"));
  ConsoleView view_;
  std::unique_ptr<RunEnvironment> env_;
};

TEST_F(ConsoleViewTest, PicturesAreSavedInOrderWithTheirOwnBytes) {
  FallbackImageToolkit images;
  Attach(images);
  const std::vector<unsigned char> first{0x89, 'P', 'N', 'G', 1, 2, 3};
  const std::vector<unsigned char> second{'B', 'M', 9, 9};
  view_.AddPicture(WritePicture(first), temp_.File("temppic2.Jpg"), "Png", output_.path());
  view_.AddPicture(temp_.Write("temppic.bmp", second), temp_.File("temppic2.Jpg"), "bmp",
                   output_.path());
  ASSERT_EQ(view_.ItemCount(ResultList::kPictures), 2);
  EXPECT_EQ(view_.pictures()[0].file, output_.File("Pictures/Image1.png"));
  EXPECT_EQ(ReadAll(output_.File("Pictures/Image1.png")), first);
  EXPECT_EQ(ReadAll(output_.File("Pictures/Image2.bmp")), second);
  // No library converts them: the view logs each picture itself, once.
  EXPECT_EQ(sink_.log, "Recovered Image 1\r\nRecovered Image 2\r\n");
}

TEST_F(ConsoleViewTest, ConvertedPictureGetsItsThumbnailAndOneLogLine) {
  StubImageToolkit images;
  Attach(images);
  view_.AddPicture(WritePicture({0x89, 'P', 'N', 'G'}), temp_.File("temppic2.Jpg"), "Png",
                   output_.path());
  ASSERT_EQ(view_.pictures().size(), 1u);
  EXPECT_EQ(view_.pictures()[0].thumbnail, output_.File("Thumbnails/Image 1.jpg"));
  EXPECT_FALSE(ReadAll(output_.File("Thumbnails/Image 1.jpg")).empty());
  EXPECT_EQ(sink_.log, "Recovered Image 1\r\n");
  EXPECT_EQ(ReadAll(output_.File("Pictures/Image1.png")),
            (std::vector<unsigned char>{0x89, 'P', 'N', 'G'}))
      << "saved before the stage deletes the temporary picture";
}

TEST_F(ConsoleViewTest, SlideThumbnailsAreWrittenAndListedInPosition) {
  StubImageToolkit images;
  Attach(images);
  const Bitmap bitmap = vlx::testing::SolidBitmap(170, 120, 0xFF00FF00);
  view_.AddThumbnail(ResultList::kSlides, bitmap, 0, "Slide 1");
  view_.AddThumbnail(ResultList::kSlides, bitmap, 5, "Slide 2");
  view_.AddThumbnail(ResultList::kDataSlides, bitmap, 0, "Data Slide1");
  EXPECT_EQ(view_.ItemCount(ResultList::kSlides), 2);
  EXPECT_EQ(view_.slides()[1].label, "Slide 2");
  EXPECT_EQ(view_.slides()[1].thumbnail, output_.File("Thumbnails/Slide 2.jpg"));
  EXPECT_EQ(view_.data_slides()[0].thumbnail, output_.File("Thumbnails/Data Slide 1.jpg"));
  EXPECT_FALSE(ReadAll(output_.File("Thumbnails/Slide 1.jpg")).empty());
}

TEST_F(ConsoleViewTest, SlideIsListedEvenWhenNoJpegCanBeWritten) {
  FallbackImageToolkit images;
  Attach(images);
  view_.AddThumbnail(ResultList::kSlides, images.PlaceholderBitmap(), 0, "Slide 1");
  ASSERT_EQ(view_.ItemCount(ResultList::kSlides), 1);
  EXPECT_EQ(view_.slides()[0].thumbnail, "");
}

TEST_F(ConsoleViewTest, PictureThatCannotBeSavedIsNotCounted) {
  FallbackImageToolkit images;
  Attach(images);
  view_.AddPicture(temp_.File("does-not-exist.Png"), temp_.File("temppic2.Jpg"), "Png",
                   output_.path());
  EXPECT_EQ(view_.ItemCount(ResultList::kPictures), 0);
  EXPECT_NE(sink_.log.find("Cannot save picture"), std::string::npos);
}

}  // namespace
}  // namespace vlx::cli
