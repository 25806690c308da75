#include "cli/fallback_image_toolkit.h"

#include <fstream>
#include <iterator>

#include "cli/file_copy.h"

namespace vlx::cli {
namespace {

constexpr uint32_t kPlainColour = 0xFFC0C0C0;

Bitmap PlainBitmap(int width, int height) {
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.assign(static_cast<size_t>(width) * height, kPlainColour);
  return bitmap;
}

bool StartsLikeJpeg(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[3] = {};
  in.read(reinterpret_cast<char*>(head), 3);
  return in.gcount() == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

}  // namespace

std::optional<Bitmap> FallbackImageToolkit::MakeThumbnail(const std::string& image_path, int width,
                                                          int height) {
  std::ifstream in(image_path, std::ios::binary);
  if (!in || in.peek() == std::char_traits<char>::eof()) return std::nullopt;
  return PlainBitmap(width, height);
}

bool FallbackImageToolkit::ConvertToJpeg(const std::string& source_path,
                                         const std::string& jpeg_path) {
  return StartsLikeJpeg(source_path) && CopyFile(source_path, jpeg_path);
}

bool FallbackImageToolkit::SaveJpeg(const Bitmap& /*bitmap*/, const std::string& /*jpeg_path*/) {
  return false;
}

bool FallbackImageToolkit::Decodes(std::span<const uint8_t> /*picture_file*/) {
  return true;
}

Bitmap FallbackImageToolkit::LabelledPlaceholder(const std::string& /*label*/, int width,
                                                 int height) {
  return PlainBitmap(width, height);
}

Bitmap FallbackImageToolkit::StockBitmap() {
  return PlainBitmap(350, 350);
}

Bitmap FallbackImageToolkit::PlaceholderBitmap() {
  return PlainBitmap(170, 120);
}

}  // namespace vlx::cli
