#include "engine/scan/pictures/metafile_blip.h"

#include <zlib.h>

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

constexpr size_t kUncompressedSizeAt = 0;
constexpr size_t kStoredSizeAt = 28;
constexpr size_t kCompressionAt = 32;
constexpr uint8_t kDeflate = 0x00;
constexpr uint8_t kNotCompressed = 0xFE;

// Metafiles larger than this are not believed: a damaged header may name any size.
constexpr uint32_t kLargestMetafile = 256u << 20;

}  // namespace

std::optional<UnpackedMetafile> UnpackMetafile(ByteSpan bytes) {
  if (bytes.size() < kMetafileHeaderSize) return std::nullopt;
  const uint32_t size = LoadU32(bytes.data() + kUncompressedSizeAt);
  const uint32_t stored = LoadU32(bytes.data() + kStoredSizeAt);
  const uint8_t compression = bytes[kCompressionAt];
  if (size == 0 || size > kLargestMetafile || stored == 0 ||
      stored > bytes.size() - kMetafileHeaderSize)
    return std::nullopt;
  const uint8_t* data = bytes.data() + kMetafileHeaderSize;
  UnpackedMetafile out;
  out.stored_size = kMetafileHeaderSize + stored;
  if (compression == kNotCompressed) {
    out.bytes.assign(data, data + stored);
    return out;
  }
  if (compression != kDeflate) return std::nullopt;
  out.bytes.resize(size);
  uLongf produced = size;
  if (::uncompress(out.bytes.data(), &produced, data, stored) != Z_OK) return std::nullopt;
  out.bytes.resize(produced);
  return out;
}

}  // namespace vlx
