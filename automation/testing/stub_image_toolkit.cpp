#include "automation/testing/stub_image_toolkit.h"

#include <algorithm>
#include <fstream>

#include "automation/testing/small_jpeg.h"

namespace vlx::testing {

namespace {

bool BeginsLikeJpeg(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[3] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

bool Readable(const std::string& path) {
  return static_cast<bool>(std::ifstream(path));
}

}  // namespace

Bitmap SolidBitmap(int width, int height, uint32_t colour) {
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.assign(static_cast<size_t>(width) * height, colour);
  return bitmap;
}

std::optional<Bitmap> StubImageToolkit::MakeThumbnail(const std::string& image_path, int width,
                                                      int height) {
  const bool made = BeginsLikeJpeg(image_path);
  {
    std::lock_guard lock(mutex_);
    thumbnails_.push_back({image_path, width, height, made});
  }
  if (!made) return std::nullopt;
  return SolidBitmap(width, height, kThumbnailColour);
}

bool StubImageToolkit::ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) {
  {
    std::lock_guard lock(mutex_);
    conversions_.push_back(source_path + " -> " + jpeg_path);
  }
  if (fail_conversions || !Readable(source_path)) return false;
  return WriteSmallJpeg(jpeg_path);
}

bool StubImageToolkit::SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) {
  return !bitmap.empty() && WriteSmallJpeg(jpeg_path);
}

bool StubImageToolkit::Decodes(std::span<const uint8_t> picture_file) {
  return std::search(picture_file.begin(), picture_file.end(), kUndecodableMark.begin(),
                     kUndecodableMark.end()) == picture_file.end();
}

Bitmap StubImageToolkit::LabelledPlaceholder(const std::string& label, int width, int height) {
  {
    std::lock_guard lock(mutex_);
    placeholder_labels_.push_back(label);
  }
  return SolidBitmap(width, height, kPlaceholderColour);
}

Bitmap StubImageToolkit::StockBitmap() {
  return SolidBitmap(350, 350, kStockColour);
}

Bitmap StubImageToolkit::PlaceholderBitmap() {
  return SolidBitmap(170, 120, kPlaceholderColour);
}

std::vector<StubImageToolkit::ThumbnailRequest> StubImageToolkit::Thumbnails() const {
  std::lock_guard lock(mutex_);
  return thumbnails_;
}

std::vector<std::string> StubImageToolkit::Conversions() const {
  std::lock_guard lock(mutex_);
  return conversions_;
}

std::vector<std::string> StubImageToolkit::PlaceholderLabels() const {
  std::lock_guard lock(mutex_);
  return placeholder_labels_;
}

}  // namespace vlx::testing
