#include "automation/imaging/thumbnail_layout.h"

#include <algorithm>
#include <cmath>

namespace vlx {

ThumbnailLayout LayOutThumbnail(int picture_width, int picture_height, int box_width,
                                int box_height) {
  ThumbnailLayout layout;
  const int inner_width = box_width - 2 * kThumbnailMargin;
  const int inner_height = box_height - 2 * kThumbnailMargin;
  if (picture_width <= 0 || picture_height <= 0 || inner_width <= 0 || inner_height <= 0)
    return layout;
  const double scale = std::min(static_cast<double>(inner_width) / picture_width,
                                static_cast<double>(inner_height) / picture_height);
  layout.width = std::clamp(static_cast<int>(std::lround(picture_width * scale)), 1, inner_width);
  layout.height =
      std::clamp(static_cast<int>(std::lround(picture_height * scale)), 1, inner_height);
  layout.x = (box_width - layout.width) / 2;
  layout.y = (box_height - layout.height) / 2;
  return layout;
}

}  // namespace vlx
