#include "automation/libreoffice/slide_image_size.h"

#include <algorithm>
#include <cmath>

#include "engine/office/slide_export.h"

namespace vlx::lo {
namespace {

// The exported slides are only ever made into thumbnails: twice the thumbnail's box
// leaves the smooth scaling pixels to average, and the office writes, and the thumbnail
// reads, a fraction of the pixels of a slide at screen size.
constexpr int kBoxWidth = 2 * kSlideThumbnailWidth;
constexpr int kBoxHeight = 2 * kSlideThumbnailHeight;
constexpr int kSmallestSide = 16;

}  // namespace

PixelSize SlideImageSize(int page_width, int page_height) {
  if (page_width <= 0 || page_height <= 0) return {kBoxHeight * 4 / 3, kBoxHeight};
  const double scale = std::min(static_cast<double>(kBoxWidth) / page_width,
                                static_cast<double>(kBoxHeight) / page_height);
  return {std::max(kSmallestSide, static_cast<int>(std::lround(page_width * scale))),
          std::max(kSmallestSide, static_cast<int>(std::lround(page_height * scale)))};
}

}  // namespace vlx::lo
