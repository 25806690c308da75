#pragma once

namespace vlx::lo {

// Pixel size of a slide image at 96 dpi (a 254 x 190.5 mm slide gives 960 x 720), from
// the page size in 1/100 mm; the aspect is kept and each side stays within 16..4096.
struct PixelSize {
  int width = 0;
  int height = 0;
};
PixelSize SlideImageSize(int page_width, int page_height);

}  // namespace vlx::lo
