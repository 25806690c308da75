#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// The header in front of a metafile inside its picture record.
inline constexpr size_t kMetafileHeaderSize = 34;
// Offset of the stored (compressed) size inside the header.
inline constexpr size_t kMetafileStoredSizeAt = 28;
// The metafile's own size (inflated), and how it is stored: deflated or as it is.
inline constexpr size_t kMetafileSizeAt = 0;
inline constexpr size_t kMetafileCompressionAt = 32;
inline constexpr uint8_t kMetafileDeflated = 0x00;

// True when the 34 bytes of a metafile header are sound on their own: sizes a metafile
// can have, a known compression, no filter.
bool MetafileHeaderIsSound(ByteSpan header);

// The metafile behind a metafile header that starts at bytes[0]: the cbSave bytes after
// the header, inflated when the header says deflate. nullopt when they do not inflate to
// at most the size the header names, lie beyond bytes, or the header is not sound (an
// unknown compression or filter, a size deflate cannot reach).
struct UnpackedMetafile {
  std::vector<uint8_t> bytes;
  size_t stored_size = 0;  // header and stored bytes
};
std::optional<UnpackedMetafile> UnpackMetafile(ByteSpan bytes);

}  // namespace vlx
