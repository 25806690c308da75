#include "automation/imaging/bitmap_image.h"

#include <cstring>

namespace vlx {

Bitmap ToBitmap(const QImage& image) {
  Bitmap bitmap;
  if (image.isNull()) return bitmap;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  bitmap.width = argb.width();
  bitmap.height = argb.height();
  bitmap.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(&bitmap.pixels[static_cast<size_t>(y) * bitmap.width], argb.constScanLine(y),
                static_cast<size_t>(bitmap.width) * sizeof(uint32_t));
  return bitmap;
}

QImage ToImage(const Bitmap& bitmap) {
  if (bitmap.empty() ||
      bitmap.pixels.size() < static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height))
    return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), &bitmap.pixels[static_cast<size_t>(y) * bitmap.width],
                static_cast<size_t>(bitmap.width) * sizeof(uint32_t));
  return image;
}

}  // namespace vlx
