#include "engine/scan/pictures/gif_format.h"

#include <cstring>

namespace vlx {
namespace {

constexpr size_t kHeaderAndScreen = 13;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kHasColourTable = 0x80;

bool Begins(ByteSpan b) {
  return b.size() >= 6 &&
         (std::memcmp(b.data(), "GIF87a", 6) == 0 || std::memcmp(b.data(), "GIF89a", 6) == 0);
}

size_t ColourTableSize(uint8_t flags) {
  return (flags & kHasColourTable) ? size_t{3} << ((flags & 7) + 1) : 0;
}

// Moves pos past a run of data sub-blocks and its empty terminator; false when cut short.
bool SkipSubBlocks(ByteSpan b, size_t& pos) {
  while (pos < b.size()) {
    const uint8_t size = b[pos++];
    if (size == 0) return true;
    pos += size;
  }
  return false;
}

std::optional<size_t> Measure(ByteSpan b) {
  if (!Begins(b) || b.size() < kHeaderAndScreen) return std::nullopt;
  size_t pos = kHeaderAndScreen + ColourTableSize(b[10]);
  while (pos < b.size()) {
    const uint8_t block = b[pos];
    if (block == kTrailer) return pos + 1;
    if (block == kExtension) {
      pos += 2;  // introducer and label
    } else if (block == kImage) {
      if (b.size() - pos < 11) return std::nullopt;
      pos += 10 + ColourTableSize(b[pos + 9]) + 1;  // descriptor, table, LZW code size
    } else {
      return std::nullopt;
    }
    if (!SkipSubBlocks(b, pos)) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

const PictureFormat kGifFormat = {"GIF", "gif", Begins, Measure, true};

}  // namespace vlx
