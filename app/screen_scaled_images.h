#pragma once

#include <functional>

#include "engine/job/image_toolkit.h"

namespace vlx::app {

// The window's picture work: thumbnails made at the screen's pixel density (a 170 x 120
// box is 340 x 240 pixels on a screen at twice the density), so that they stay sharp
// where the list shows them at their logical size. Everything else is the inner toolkit's.
class ScreenScaledImages : public ImageToolkit {
 public:
  // ratio: the screen's device pixel ratio, asked for each thumbnail (the primary
  // screen's when empty).
  explicit ScreenScaledImages(ImageToolkit& inner, std::function<double()> ratio = {});

  std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                      int height) override;
  // The screen is read on the window's thread whichever thread asks.
  bool ThumbnailsOnSeveralThreads() const override { return inner_.ThumbnailsOnSeveralThreads(); }
  std::optional<Bitmap> MakeThumbnailAsJpeg(const std::string& source_path,
                                            const std::string& jpeg_path, int width,
                                            int height) override;
  bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) override {
    return inner_.ConvertToJpeg(source_path, jpeg_path);
  }
  bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) override {
    return inner_.SaveJpeg(bitmap, jpeg_path);
  }
  Bitmap StockBitmap() override { return inner_.StockBitmap(); }
  Bitmap PlaceholderBitmap() override { return inner_.PlaceholderBitmap(); }
  bool Decodes(std::span<const uint8_t> picture_file) override {
    return inner_.Decodes(picture_file);
  }
  Bitmap LabelledPlaceholder(const std::string& label, int width, int height) override {
    return inner_.LabelledPlaceholder(label, width, height);
  }

 private:
  ImageToolkit& inner_;
  std::function<double()> ratio_;
};

}  // namespace vlx::app
