#pragma once

#include "engine/job/result_view.h"

namespace vlx::cli {

// The picture work of a build without a picture library: a picture that exists counts
// as loaded and gets a plain thumbnail (so slides and pictures are still listed and
// counted), a JPEG "converts" by copying, and nothing else can be written as a JPEG.
class FallbackImageToolkit : public ImageToolkit {
 public:
  std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                      int height) override;
  bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) override;
  bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) override;
  // Without a picture library nothing can be decoded, so nothing is refused.
  bool Decodes(std::span<const uint8_t> picture_file) override;
  Bitmap LabelledPlaceholder(const std::string& label, int width, int height) override;
  Bitmap StockBitmap() override;
  Bitmap PlaceholderBitmap() override;
};

}  // namespace vlx::cli
