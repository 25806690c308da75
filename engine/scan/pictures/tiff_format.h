#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// TIFF, either byte order. Its parts may lie anywhere behind the header, so its end is
// the picture record's.
extern const PictureFormat kTiffFormat;

}  // namespace vlx
