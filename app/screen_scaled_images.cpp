#include "app/screen_scaled_images.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace vlx::app {
namespace {

// Asked from the worker: the screen is read on the window's thread.
double PrimaryScreenRatio() {
  double ratio = 1.0;
  auto* app = QGuiApplication::instance();
  if (app == nullptr) return ratio;
  const auto read = [&ratio] {
    if (QScreen* screen = QGuiApplication::primaryScreen()) ratio = screen->devicePixelRatio();
  };
  if (app->thread() == QThread::currentThread()) {
    read();
  } else {
    QMetaObject::invokeMethod(app, read, Qt::BlockingQueuedConnection);
  }
  return ratio;
}

}  // namespace

ScreenScaledImages::ScreenScaledImages(ImageToolkit& inner, std::function<double()> ratio)
    : inner_(inner), ratio_(ratio ? std::move(ratio) : PrimaryScreenRatio) {}

std::optional<Bitmap> ScreenScaledImages::MakeThumbnail(const std::string& image_path, int width,
                                                        int height) {
  // Ratios below one or absurdly high (a broken screen report) are not followed.
  const double ratio = std::clamp(ratio_(), 1.0, 4.0);
  return inner_.MakeThumbnail(image_path, static_cast<int>(std::lround(width * ratio)),
                              static_cast<int>(std::lround(height * ratio)));
}

std::optional<Bitmap> ScreenScaledImages::MakeThumbnailAsJpeg(const std::string& source_path,
                                                              const std::string& jpeg_path,
                                                              int width, int height) {
  const double ratio = std::clamp(ratio_(), 1.0, 4.0);
  return inner_.MakeThumbnailAsJpeg(source_path, jpeg_path,
                                    static_cast<int>(std::lround(width * ratio)),
                                    static_cast<int>(std::lround(height * ratio)));
}

}  // namespace vlx::app
