#pragma once

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// The raster format whose beginning bytes have (JPEG, PNG, GIF, TIFF or BMP); nullptr
// when none. DIBs have no mark of their own and are recognised by their record instead.
const PictureFormat* MatchRasterFormat(ByteSpan bytes);

}  // namespace vlx
