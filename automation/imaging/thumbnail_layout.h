#pragma once

namespace vlx {

// Where a thumbnail's picture goes in its box. The picture is first stretched to the
// whole box; then the top-left source_width x source_height region of that stretched
// copy is drawn at (x, y) on the framed canvas. The region is empty for pictures whose
// shape leaves no room for it.
struct ThumbnailLayout {
  int source_width = 0;
  int source_height = 0;
  int x = 0;
  int y = 0;
  bool empty() const { return source_width <= 0 || source_height <= 0; }
};

// The box's own height-to-width ratio as thumbnails compare it (single precision).
float BoxRatio(int box_width, int box_height);

// Layout of a picture_width x picture_height picture in a box_width x box_height box:
// with r = height / width, a picture taller than the box gets w = H / r, h = H, centred
// across; any other gets w = W, h = r * W, centred down. The region drawn is w x (h - 6)
// at (x, y + 3).
ThumbnailLayout LayOutThumbnail(int picture_width, int picture_height, int box_width,
                                int box_height);

}  // namespace vlx
