#include "engine/scan/pictures/dib_format.h"

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

constexpr uint32_t kCoreHeader = 12;  // the OS/2 form: 16-bit extents, 3-byte colours
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

bool IsKnownHeaderSize(uint32_t size) {
  return size == kCoreHeader || size == kInfoHeader || size == 52 || size == 56 || size == 64 ||
         size == 108 || size == 124;
}

bool IsBitDepth(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct DibLayout {
  uint32_t header = 0;
  uint64_t colour_table = 0;  // bytes, the bit-field masks of a 40-byte header included
  uint64_t pixels = 0;        // bytes
};

std::optional<DibLayout> LayOut(ByteSpan b) {
  if (b.size() < kCoreHeader) return std::nullopt;
  DibLayout layout;
  layout.header = LoadU32(b.data());
  if (!IsKnownHeaderSize(layout.header) || b.size() < layout.header) return std::nullopt;
  int64_t width = 0, height = 0;
  uint16_t planes = 0, bits = 0;
  uint32_t compression = 0, image_size = 0, colours_used = 0;
  uint32_t colour_size = 4;
  if (layout.header == kCoreHeader) {
    width = LoadU16(b.data() + 4);
    height = LoadU16(b.data() + 6);
    planes = LoadU16(b.data() + 8);
    bits = LoadU16(b.data() + 10);
    colour_size = 3;
  } else {
    width = static_cast<int32_t>(LoadU32(b.data() + 4));
    height = static_cast<int32_t>(LoadU32(b.data() + 8));
    planes = LoadU16(b.data() + 12);
    bits = LoadU16(b.data() + 14);
    compression = LoadU32(b.data() + 16);
    image_size = LoadU32(b.data() + 20);
    colours_used = LoadU32(b.data() + 32);
  }
  if (height < 0) height = -height;
  if (planes != 1 || !IsBitDepth(bits) || width <= 0 || height == 0 || width > 65535 ||
      height > 65535 || compression > kAlphaBitFields || colours_used > 65536)
    return std::nullopt;
  const uint64_t colours = colours_used != 0 ? colours_used : (bits <= 8 ? 1u << bits : 0);
  layout.colour_table = colours * colour_size;
  if (layout.header == kInfoHeader && compression == kBitFields) layout.colour_table += 12;
  if (layout.header == kInfoHeader && compression == kAlphaBitFields) layout.colour_table += 16;
  const bool uncompressed =
      compression == 0 || compression == kBitFields || compression == kAlphaBitFields;
  const uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  layout.pixels = uncompressed ? row * static_cast<uint64_t>(height) : image_size;
  if (layout.pixels == 0) return std::nullopt;
  return layout;
}

bool Begins(ByteSpan b) {
  return LayOut(b).has_value();
}

std::optional<size_t> Measure(ByteSpan b) {
  const std::optional<DibLayout> layout = LayOut(b);
  if (!layout) return std::nullopt;
  const uint64_t size = layout->header + layout->colour_table + layout->pixels;
  if (size > b.size()) return std::nullopt;
  return static_cast<size_t>(size);
}

}  // namespace

const PictureFormat kDibFormat = {"DIB", "bmp", Begins, Measure, false};

std::array<uint8_t, kBmpFileHeaderSize> BmpFileHeaderFor(ByteSpan dib) {
  const DibLayout layout = LayOut(dib).value_or(DibLayout{});
  std::array<uint8_t, kBmpFileHeaderSize> header{};
  header[0] = 'B';
  header[1] = 'M';
  StoreU32(header.data() + 2, static_cast<uint32_t>(kBmpFileHeaderSize + dib.size()));
  StoreU32(header.data() + 10,
           static_cast<uint32_t>(kBmpFileHeaderSize + layout.header + layout.colour_table));
  return header;
}

}  // namespace vlx
