#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/recovery_outcome.h"

namespace vlx {

// A picture in memory: 32-bit 0xAARRGGBB pixels, row-major.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The three result lists of the view.
enum class ResultList { kSlides, kDataSlides, kPictures };

// Picture work the engine needs, done by a picture library outside the engine.
class ImageToolkit {
 public:
  virtual ~ImageToolkit() = default;
  // Thumbnail of an image file in a width x height box; nullopt when it cannot be loaded.
  virtual std::optional<Bitmap> MakeThumbnail(const std::string& image_path, int width,
                                              int height) = 0;
  // Converts any picture file to a JPEG file; false when it cannot.
  virtual bool ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) = 0;
  // Writes a bitmap as a JPEG file.
  virtual bool SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) = 0;
  // The 350 x 350 stock bitmap shown when the office cannot export slides.
  virtual Bitmap StockBitmap() = 0;
  // The 170 x 120 placeholder (resource 176).
  virtual Bitmap PlaceholderBitmap() = 0;
};

// The engine-facing side of the result view.
class ResultView {
 public:
  virtual ~ResultView() = default;
  virtual int ItemCount(ResultList list) = 0;
  // Inserts an item with the bitmap and label at position (0 = first), scrolls the list.
  virtual void AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                            const std::string& label) = 0;
  // The add-picture operation called by the picture extraction for every picture:
  // (temporary picture path, JPEG path to make, extension, output folder).
  virtual void AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                          const std::string& extension, const std::string& output_folder) = 0;
  // How the presentation was recovered (fast mode); a view may ignore it.
  virtual void ReportOutcome(const RecoveryOutcome& outcome) { (void)outcome; }
};

}  // namespace vlx
