#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/scan/pictures/metafile_format.h"

namespace vlx {

// How a picture record is laid out, from its version/instance word alone.
struct BlipLayout {
  enum class Kind { kRaster, kDib, kMetafile };
  Kind kind = Kind::kRaster;
  // Offset of the picture (raster, DIB) or of the metafile header (metafiles) from the
  // record's first header byte: header, one or two 16-byte identifiers, and the tag
  // byte that only raster records carry.
  size_t data_offset = 0;
  const MetafileFormat* metafile = nullptr;  // set for kMetafile
};

// The layout of a version-0 picture record with one of the instances of WMF, EMF, PICT,
// JPEG, PNG, CMYK JPEG, TIFF, DIB or the unnamed instance 0x800; nullopt for any other
// word.
std::optional<BlipLayout> BlipLayoutOf(uint16_t version_instance);

}  // namespace vlx
