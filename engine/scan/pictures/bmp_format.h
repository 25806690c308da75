#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// BMP file: "BM", then the file's size in its own header.
extern const PictureFormat kBmpFormat;

}  // namespace vlx
