#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlx {

// A picture in memory: 32-bit 0xAARRGGBB pixels, row-major.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Picture work the engine needs, done by a picture library outside the engine.
class ImageToolkit {
 public:
  virtual ~ImageToolkit() = default;
  // Thumbnail of an image file in a width x height box; nullopt when it cannot be loaded.
  virtual std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                              int height) = 0;
  // True when MakeThumbnail may run on several threads at once (and alongside the
  // toolkit's other calls); a toolkit that does not say so is only called from one.
  virtual bool ThumbnailsOnSeveralThreads() const { return false; }
  // True when the bytes of a picture file decode to an image (false when they are
  // damaged or are no picture this toolkit reads).
  virtual bool Decodes(std::span<const uint8_t> picture_file) = 0;
  // A width x height thumbnail that names what it stands for ("WMF picture"), for a
  // picture that is not drawn.
  virtual Bitmap LabelledPlaceholder(const std::string& label, int width, int height) = 0;
  // Converts any picture file to a JPEG file; false when it cannot.
  virtual bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) = 0;
  // The width x height thumbnail of a picture's JPEG copy (its pixels on white); nullopt
  // when the picture cannot be converted. This one writes the copy at jpeg_path, makes
  // the thumbnail of it and removes it; a toolkit that can make the same thumbnail
  // without the copy need not write it.
  virtual std::optional<Bitmap> MakeThumbnailAsJpeg(const std::string& source_path,
                                                    const std::string& jpeg_path, int width,
                                                    int height) {
    if (!ConvertToJpeg(source_path, jpeg_path)) return std::nullopt;
    std::optional<Bitmap> thumbnail = MakeThumbnail(jpeg_path, width, height);
    std::remove(jpeg_path.c_str());
    return thumbnail;
  }
  // Writes a bitmap as a JPEG file.
  virtual bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) = 0;
  // The 350 x 350 stock bitmap shown when the office cannot export slides.
  virtual Bitmap StockBitmap() = 0;
  // The 170 x 120 placeholder (resource 176).
  virtual Bitmap PlaceholderBitmap() = 0;
};

}  // namespace vlx
