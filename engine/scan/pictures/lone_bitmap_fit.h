#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// What the metafile readers of lone_bitmap.h share: where a bitmap record puts its
// bitmap, whether that fills the picture's frame, and the .bmp file made of it.

// A rectangle in the metafile's own units.
struct FrameBox {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// The rectangles of one bitmap record: the part of the bitmap it takes (source) and
// where it stretches that part to (destination).
struct BitmapPlacement {
  int64_t source_x = 0, source_y = 0, source_width = 0, source_height = 0;
  int64_t dest_x = 0, dest_y = 0, dest_width = 0, dest_height = 0;
};

// The size of a bitmap a .bmp file can hold uncompressed (plain or bit-field pixels).
struct DibSize {
  int64_t width = 0;
  int64_t height = 0;
};

// The size of the bitmap whose header begins dib; nullopt when dib is no bitmap the
// fast way takes (compressed pixels, an unknown header).
std::optional<DibSize> UncompressedDibSize(ByteSpan dib);

// True when the placement shows the whole bitmap (but for a sliver) over the whole
// frame, upright, and the bitmap has the frame's proportions: then the bitmap alone,
// scaled into a thumbnail, is the picture.
bool FillsFrame(const BitmapPlacement& placement, DibSize bitmap, const FrameBox& frame);

// The .bmp file of the bitmap whose header and colour table are info and whose pixels
// are bits (one after the other, or, when info holds the whole bitmap, bits empty).
// nullopt when the header does not describe these bytes.
std::optional<std::vector<uint8_t>> BmpFileOf(ByteSpan info, ByteSpan bits);

}  // namespace vlx
