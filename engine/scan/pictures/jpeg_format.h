#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// JPEG: a start-of-image marker followed by any marker (JFIF, Exif or none); ends after
// the end-of-image marker that follows the last scan.
extern const PictureFormat kJpegFormat;

}  // namespace vlx
