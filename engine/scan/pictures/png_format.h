#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// PNG: the 8-byte signature, then chunks up to and including IEND.
extern const PictureFormat kPngFormat;

}  // namespace vlx
