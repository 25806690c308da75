#include "automation/imaging/thumbnail_layout.h"

namespace vlx {

namespace {

// Rows left out below the drawn region and the offset it is drawn at.
constexpr int kRowsCut = 6;
constexpr int kTopOffset = 3;

}  // namespace

float BoxRatio(int box_width, int box_height) {
  if (box_width == 170 && box_height == 120) return 0.7058824f;
  if (box_width == box_height) return 1.0f;
  return static_cast<float>(box_height) / static_cast<float>(box_width);
}

ThumbnailLayout LayOutThumbnail(int picture_width, int picture_height, int box_width,
                                int box_height) {
  ThumbnailLayout layout;
  if (picture_width <= 0 || picture_height <= 0 || box_width <= 0 || box_height <= 0) return layout;
  const float r = static_cast<float>(picture_height) / static_cast<float>(picture_width);
  int w, h, x, y;
  if (r > BoxRatio(box_width, box_height)) {
    w = static_cast<int>(static_cast<float>(box_height) / r);
    h = box_height;
    x = (box_width - w) / 2;
    y = 0;
  } else {
    w = box_width;
    h = static_cast<int>(r * static_cast<float>(box_width));
    x = 0;
    y = (box_height - h) / 2;
  }
  layout.source_width = w;
  layout.source_height = h - kRowsCut;
  layout.x = x;
  layout.y = y + kTopOffset;
  return layout;
}

}  // namespace vlx
