#pragma once

namespace vlx::lo {

// Pixel size of an exported slide image, from the page size in 1/100 mm: the slide's
// aspect, as large as fits twice the slide thumbnail's box (a 4:3 slide gives 320 x 240),
// each side at least 16.
struct PixelSize {
  int width = 0;
  int height = 0;
};
PixelSize SlideImageSize(int page_width, int page_height);

}  // namespace vlx::lo
