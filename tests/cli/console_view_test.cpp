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

// A run environment around a ConsoleView, with the output folder in a temporary folder.
class ConsoleViewTest : public ::testing::Test {
 protected:
  void Attach(ImageToolkit& images) {
    env_ = std::make_unique<RunEnvironment>(RunEnvironment{sink_, trace_, stop_, workspace_, view_,
                                                           images, templates_, nullptr, nullptr,
                                                           output_.path(), "Rec"});
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
  TemplateRecords templates_ = PristineTemplates();
  std::unique_ptr<RunEnvironment> env_;
};

ResultItem Picture(const std::string& file, const std::string& kind, int number, Bitmap thumbnail) {
  ResultItem item;
  item.list = ResultList::kPictures;
  item.label = "Image " + std::to_string(number);
  item.thumbnail = std::move(thumbnail);
  item.position = 0;
  item.file = file;
  item.kind = kind;
  return item;
}

TEST_F(ConsoleViewTest, PicturesAreListedInOrderWithTheirSavedFiles) {
  FallbackImageToolkit images;
  Attach(images);
  view_.Add(Picture(output_.File("Pictures/Image1.png"), "png", 1, {}));
  ResultItem second = Picture(output_.File("Pictures/Image2.bmp"), "bmp", 2, {});
  second.source_offset = 4096;
  view_.Add(second);
  ResultItem text;
  text.list = ResultList::kTexts;
  text.label = "All slide texts";
  text.file = output_.File("Texts/All slides.txt");
  view_.Add(text);
  ASSERT_EQ(view_.texts().size(), 1u);
  EXPECT_EQ(view_.texts()[0].file, output_.File("Texts/All slides.txt"));
  EXPECT_EQ(view_.pictures()[1].offset, 4096);
  ASSERT_EQ(view_.pictures().size(), 2u);
  EXPECT_EQ(view_.pictures()[0].file, output_.File("Pictures/Image1.png"));
  EXPECT_EQ(view_.pictures()[1].extension, "bmp");
  EXPECT_EQ(view_.pictures()[0].thumbnail, "") << "no thumbnail was made for it";
  EXPECT_EQ(sink_.log, "") << "the engine logs each picture, the view does not";
}

TEST_F(ConsoleViewTest, ConvertedPictureGetsItsThumbnailFile) {
  StubImageToolkit images;
  Attach(images);
  view_.Add(Picture(output_.File("Pictures/Image1.png"), "png", 1,
                    vlx::testing::SolidBitmap(100, 100, 0xFF0000FF)));
  ASSERT_EQ(view_.pictures().size(), 1u);
  EXPECT_EQ(view_.pictures()[0].thumbnail, output_.File("Thumbnails/Image 1.jpg"));
  EXPECT_FALSE(ReadAll(output_.File("Thumbnails/Image 1.jpg")).empty());
}

TEST_F(ConsoleViewTest, SlideThumbnailsAreWrittenAndListedInPosition) {
  StubImageToolkit images;
  Attach(images);
  const Bitmap bitmap = vlx::testing::SolidBitmap(170, 120, 0xFF00FF00);
  view_.Add(SlideItem(ResultList::kSlides, "Slide 1", bitmap, 0));
  view_.Add(SlideItem(ResultList::kSlides, "Slide 2", bitmap, 5));
  view_.Add(SlideItem(ResultList::kDataSlides, "Data Slide1", bitmap, 0));
  EXPECT_EQ(view_.slides().size(), 2u);
  EXPECT_EQ(view_.slides()[1].label, "Slide 2");
  EXPECT_EQ(view_.slides()[1].thumbnail, output_.File("Thumbnails/Slide 2.jpg"));
  EXPECT_EQ(view_.data_slides()[0].thumbnail, output_.File("Thumbnails/Data Slide 1.jpg"));
  EXPECT_FALSE(ReadAll(output_.File("Thumbnails/Slide 1.jpg")).empty());
}

TEST_F(ConsoleViewTest, SlideIsListedEvenWhenNoJpegCanBeWritten) {
  FallbackImageToolkit images;
  Attach(images);
  view_.Add(SlideItem(ResultList::kSlides, "Slide 1", images.PlaceholderBitmap(), 0));
  ASSERT_EQ(view_.slides().size(), 1u);
  EXPECT_EQ(view_.slides()[0].thumbnail, "");
}

}  // namespace
}  // namespace vlx::cli
