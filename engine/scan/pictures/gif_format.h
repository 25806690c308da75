#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// GIF (87a or 89a): header, screen descriptor and colour table, then images and
// extensions up to the trailer byte.
extern const PictureFormat kGifFormat;

}  // namespace vlx
