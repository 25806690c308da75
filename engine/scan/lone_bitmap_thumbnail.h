#pragma once

#include <optional>
#include <string>

#include "engine/job/image_toolkit.h"

namespace vlx {

// The size x size thumbnail of the metafile at metafile_path when it is a single bitmap
// (engine/scan/pictures/lone_bitmap.h): that bitmap, written as a .bmp file at bmp_path
// (removed afterwards) and scaled by the image toolkit. nullopt when the metafile is
// anything more, cannot be read, or the toolkit cannot read its bitmap: the picture is
// then drawn the long way. The metafile is only read.
std::optional<Bitmap> LoneBitmapThumbnail(ImageToolkit& images, const std::string& metafile_path,
                                          const std::string& bmp_path, int size);

}  // namespace vlx
