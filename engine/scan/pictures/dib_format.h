#pragma once

#include <array>
#include <cstdint>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

inline constexpr size_t kBmpFileHeaderSize = 14;

// A device-independent bitmap as picture records keep it: a bitmap header, its colour
// table and its pixels, without the file header of a .bmp file. Saved as a .bmp.
extern const PictureFormat kDibFormat;

// The 14-byte file header that turns the DIB in dib into a .bmp file: the "BM" mark, the
// file's size and the offset of its pixels. dib must begin like a DIB.
std::array<uint8_t, kBmpFileHeaderSize> BmpFileHeaderFor(ByteSpan dib);

}  // namespace vlx
