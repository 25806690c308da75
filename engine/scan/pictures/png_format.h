#pragma once

#include <cstdint>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// PNG: the 8-byte signature, then chunks up to and including IEND.
extern const PictureFormat kPngFormat;

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Four letters, as every chunk's type is.
bool IsPngChunkType(const uint8_t* type);

}  // namespace vlx
