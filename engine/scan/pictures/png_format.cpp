#include "engine/scan/pictures/png_format.h"

#include <cstring>

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

constexpr size_t kChunkFrame = 12;  // length, type and checksum around the chunk's data

bool Begins(ByteSpan b) {
  return b.size() >= sizeof kPngSignature &&
         std::memcmp(b.data(), kPngSignature, sizeof kPngSignature) == 0;
}

std::optional<size_t> Measure(ByteSpan b) {
  if (!Begins(b)) return std::nullopt;
  size_t pos = sizeof kPngSignature;
  while (b.size() - pos >= kChunkFrame) {
    const uint32_t length = LoadU32BigEndian(b.data() + pos);
    const uint8_t* type = b.data() + pos + 4;
    if (!IsPngChunkType(type) || length > b.size() - pos - kChunkFrame) return std::nullopt;
    pos += kChunkFrame + length;
    if (std::memcmp(type, "IEND", 4) == 0) return pos;
  }
  return std::nullopt;
}

}  // namespace

bool IsPngChunkType(const uint8_t* type) {
  for (int i = 0; i < 4; ++i) {
    const uint8_t c = static_cast<uint8_t>(type[i] | 0x20);
    if (c < 'a' || c > 'z') return false;
  }
  return true;
}

const PictureFormat kPngFormat = {"PNG", "png", Begins, Measure, true};

}  // namespace vlx
