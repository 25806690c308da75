#include "engine/scan/pictures/raster_formats.h"

#include "engine/scan/pictures/bmp_format.h"
#include "engine/scan/pictures/gif_format.h"
#include "engine/scan/pictures/jpeg_format.h"
#include "engine/scan/pictures/png_format.h"
#include "engine/scan/pictures/tiff_format.h"

namespace vlx {

const PictureFormat* MatchRasterFormat(ByteSpan bytes) {
  for (const PictureFormat* format :
       {&kJpegFormat, &kPngFormat, &kGifFormat, &kTiffFormat, &kBmpFormat}) {
    if (format->begins(bytes)) return format;
  }
  return nullptr;
}

}  // namespace vlx
