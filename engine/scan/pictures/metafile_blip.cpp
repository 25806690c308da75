#include "engine/scan/pictures/metafile_blip.h"

#include <zlib.h>

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

constexpr size_t kUncompressedSizeAt = kMetafileSizeAt;
constexpr size_t kStoredSizeAt = kMetafileStoredSizeAt;
constexpr size_t kCompressionAt = kMetafileCompressionAt;
constexpr uint8_t kDeflate = kMetafileDeflated;
constexpr uint8_t kNotCompressed = 0xFE;
constexpr size_t kFilterAt = 33;
constexpr uint8_t kNoFilter = 0xFE;  // the only filter there is

// Deflate gives at most 1032 bytes for one stored byte; a header that claims more is
// damaged, and is refused before any memory is set aside for it.
constexpr uint64_t kLargestInflation = 1032;

// The two-byte header of a zlib stream: deflate, and a check value.
bool BeginsZlibStream(const uint8_t* data) {
  return (data[0] & 0x0F) == 8 && (data[0] * 256 + data[1]) % 31 == 0;
}

// Metafiles larger than this are not believed: a damaged header may name any size.
constexpr uint32_t kLargestMetafile = 256u << 20;

}  // namespace

bool MetafileHeaderIsSound(ByteSpan header) {
  if (header.size() < kMetafileHeaderSize) return false;
  const uint32_t size = LoadU32(header.data() + kUncompressedSizeAt);
  const uint32_t stored = LoadU32(header.data() + kStoredSizeAt);
  const uint8_t compression = header[kCompressionAt];
  if (size == 0 || size > kLargestMetafile || stored < 2 || header[kFilterAt] != kNoFilter)
    return false;
  if (compression == kNotCompressed) return true;
  return compression == kDeflate && size <= uint64_t{stored} * kLargestInflation;
}

std::optional<UnpackedMetafile> UnpackMetafile(ByteSpan bytes) {
  if (!MetafileHeaderIsSound(bytes)) return std::nullopt;
  const uint32_t size = LoadU32(bytes.data() + kUncompressedSizeAt);
  const uint32_t stored = LoadU32(bytes.data() + kStoredSizeAt);
  if (stored > bytes.size() - kMetafileHeaderSize) return std::nullopt;
  const uint8_t* data = bytes.data() + kMetafileHeaderSize;
  UnpackedMetafile out;
  out.stored_size = kMetafileHeaderSize + stored;
  if (bytes[kCompressionAt] == kNotCompressed) {
    out.bytes.assign(data, data + stored);
    return out;
  }
  if (!BeginsZlibStream(data)) return std::nullopt;
  out.bytes.resize(size);
  uLongf produced = size;
  if (::uncompress(out.bytes.data(), &produced, data, stored) != Z_OK) return std::nullopt;
  out.bytes.resize(produced);
  return out;
}

}  // namespace vlx
