// Thumbnails in the window: made at the screen's pixel density, whole pictures.
#include <QImage>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "app/screen_scaled_images.h"
#include "automation/imaging/qt_image_toolkit.h"
#include "tests/app/window_fixture.h"

namespace vlx::app::testing {
namespace {

std::string WidePicture(const QTemporaryDir& dir) {
  QImage picture(1200, 300, QImage::Format_RGB32);
  picture.fill(Qt::darkBlue);
  const QString path = dir.filePath("wide.png");
  picture.save(path);
  return path.toStdString();
}

TEST(ScreenScaledImagesTest, ThumbnailsHaveAsManyPixelsAsTheScreenShows) {
  QTemporaryDir dir;
  QtImageToolkit library;
  double ratio = 2.0;
  ScreenScaledImages images(library, [&ratio] { return ratio; });
  const std::string path = WidePicture(dir);
  auto sharp = images.MakeThumbnail(path, 170, 120);
  ASSERT_TRUE(sharp);
  EXPECT_EQ(sharp->width, 340);
  EXPECT_EQ(sharp->height, 240);
  ratio = 1.5;
  EXPECT_EQ(images.MakeThumbnail(path, 100, 100)->width, 150);
  ratio = 0.0;  // a screen that reports nothing useful
  EXPECT_EQ(images.MakeThumbnail(path, 100, 100)->width, 100);
  ratio = 1000.0;
  EXPECT_EQ(images.MakeThumbnail(path, 100, 100)->width, 400);
  EXPECT_EQ(images.StockBitmap().width, library.StockBitmap().width) << "the rest is the library's";
}

TEST(ScreenScaledImagesTest, AskedFromAWorkerItReadsTheScreenOnTheWindowsThread) {
  QTemporaryDir dir;
  QtImageToolkit library;
  ScreenScaledImages images(library);
  const std::string path = WidePicture(dir);
  std::optional<Bitmap> made;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    made = images.MakeThumbnail(path, 170, 120);
    done = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return done.load(); }, 60000));
  worker.join();
  ASSERT_TRUE(made);
  EXPECT_GE(made->width, 170);
}

}  // namespace
}  // namespace vlx::app::testing
