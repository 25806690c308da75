#include "automation/libreoffice/slide_image_size.h"

#include <algorithm>
#include <cmath>

namespace vlx::lo {
namespace {

constexpr double kHundredthMmPerInch = 2540.0;
constexpr double kPixelsPerInch = 96.0;

int ToPixels(int hundredth_mm) {
  const long pixels = std::lround(hundredth_mm * kPixelsPerInch / kHundredthMmPerInch);
  return static_cast<int>(std::clamp(pixels, 16L, 4096L));
}

}  // namespace

PixelSize SlideImageSize(int page_width, int page_height) {
  if (page_width <= 0 || page_height <= 0) return {960, 720};
  PixelSize size{ToPixels(page_width), ToPixels(page_height)};
  // Clamping one side alone would distort the slide: scale the other side with it.
  const double aspect = static_cast<double>(page_height) / page_width;
  if (aspect >= 1.0) {
    size.width = std::clamp(static_cast<int>(std::lround(size.height / aspect)), 16, 4096);
  } else {
    size.height = std::clamp(static_cast<int>(std::lround(size.width * aspect)), 16, 4096);
  }
  return size;
}

}  // namespace vlx::lo
