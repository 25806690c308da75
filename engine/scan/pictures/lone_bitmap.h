#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// Many metafiles are one bitmap and nothing else: a few records that set the frame and
// the drawing state, maybe comments, and one record that draws a bitmap over the whole
// frame. Such a picture looks like its bitmap, which the image toolkit reads in a
// fraction of the time a metafile takes to be drawn.
//
// Each function returns the .bmp file (file header and bitmap) of the one bitmap the
// metafile draws, or nullopt when the metafile does anything else: draws lines, shapes,
// text or a second bitmap, clips or mirrors, draws the bitmap over only part of its
// frame, crops it, or combines it with what lies under it; and whenever a record or the
// bitmap does not fit the bytes. nullopt only means the picture must be drawn the long
// way.

// A Windows metafile, with or without its placeable header. When it carries an enhanced
// metafile in its comments, that is the picture drawn, and the one looked at.
std::optional<std::vector<uint8_t>> LoneBitmapOfWmf(ByteSpan wmf);

// An enhanced metafile.
std::optional<std::vector<uint8_t>> LoneBitmapOfEmf(ByteSpan emf);

// Either kind, told apart by its header.
std::optional<std::vector<uint8_t>> LoneBitmapOfMetafile(ByteSpan metafile);

}  // namespace vlx
