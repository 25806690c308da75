#pragma once

namespace vlx {

// Where a thumbnail's picture goes in its framed box: the whole picture, its shape kept,
// as large as fits inside the margin along the frame, centred. Nothing of it is cut off;
// what the picture leaves of the box stays the canvas colour (letterboxed).
struct ThumbnailLayout {
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

// Pixels kept free along each edge of the box: the frame and a little canvas.
inline constexpr int kThumbnailMargin = 3;

// Layout of a picture_width x picture_height picture in a box_width x box_height box;
// empty for a picture or a box without extent. A picture never shrinks below one pixel
// across or down.
ThumbnailLayout LayOutThumbnail(int picture_width, int picture_height, int box_width,
                                int box_height);

}  // namespace vlx
