#pragma once

// Metafiles built record by record for the tests: Windows metafiles, enhanced
// metafiles and the bitmaps they draw.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vlx::testing {

using MetafileBytes = std::vector<uint8_t>;

inline void Put16(MetafileBytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(MetafileBytes& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}
inline uint32_t Get32(const MetafileBytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// A bottom-up 24-bit bitmap, every pixel one colour (the first byte varies by seed so
// two bitmaps can be told apart).
inline MetafileBytes Dib(int width, int height, uint8_t seed = 0x40) {
  MetafileBytes b;
  const uint32_t row = (width * 3 + 3) / 4 * 4;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, row * height);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  for (uint32_t i = 0; i < row * static_cast<uint32_t>(height); ++i)
    b.push_back(static_cast<uint8_t>(seed + i % 3));
  return b;
}

// Windows metafiles, record by record.
struct Wmf {
  MetafileBytes bytes;
  Wmf() {
    Put16(bytes, 1);
    Put16(bytes, 9);
    Put16(bytes, 0x0300);
    Put32(bytes, 0);  // size in words: not checked
    Put16(bytes, 0);
    Put32(bytes, 0);
    Put16(bytes, 0);
  }
  Wmf& Record(uint16_t function, const std::vector<int16_t>& words,
              const MetafileBytes& tail = {}) {
    const size_t size = 6 + 2 * words.size() + tail.size();
    Put32(bytes, static_cast<uint32_t>((size + 1) / 2));
    Put16(bytes, function);
    for (int16_t w : words) Put16(bytes, static_cast<uint16_t>(w));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    if (size % 2 != 0) bytes.push_back(0);
    return *this;
  }
  // Mapping mode, window origin and extent (each given x first).
  Wmf& Frame(int16_t width, int16_t height, int16_t x = 0, int16_t y = 0) {
    Record(0x0103, {8});
    Record(0x020B, {y, x});
    return Record(0x020C, {height, width});
  }
  // DIBSTRETCHBLT copying the whole of dib to (x, y, width, height).
  Wmf& Stretch(const MetafileBytes& dib, int16_t sw, int16_t sh, int16_t w, int16_t h,
               int16_t x = 0, int16_t y = 0, uint32_t rop = 0x00CC0020) {
    return Record(0x0B41,
                  {static_cast<int16_t>(rop & 0xFFFF), static_cast<int16_t>(rop >> 16), sh, sw, 0,
                   0, h, w, y, x},
                  dib);
  }
  Wmf& End() { return Record(0x0000, {}); }
};

// Enhanced metafiles: a header whose frame is width x height device pixels (one pixel
// a tenth of a millimetre), records, the end record.
struct Emf {
  MetafileBytes bytes;
  Emf(int32_t width, int32_t height) {
    Put32(bytes, 1);
    Put32(bytes, 88);
    for (int32_t v : {0, 0, width - 1, height - 1}) Put32(bytes, static_cast<uint32_t>(v));
    for (int32_t v : {0, 0, width * 10, height * 10}) Put32(bytes, static_cast<uint32_t>(v));
    Put32(bytes, 0x464D4520);
    Put32(bytes, 0x10000);
    for (int i = 0; i < 6; ++i) Put32(bytes, 0);  // size, records, handles, description, palette
    for (int32_t v : {1000, 1000, 100, 100}) Put32(bytes, static_cast<uint32_t>(v));
  }
  Emf& Record(uint32_t type, const MetafileBytes& body) {
    Put32(bytes, type);
    Put32(bytes, static_cast<uint32_t>(8 + body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return *this;
  }
  // STRETCHDIBITS of the whole of dib to (0, 0, width, height).
  Emf& Stretch(const MetafileBytes& dib, int32_t width, int32_t height, uint32_t usage = 0) {
    const MetafileBytes info(dib.begin(), dib.begin() + 40);
    const MetafileBytes bits(dib.begin() + 40, dib.end());
    const int32_t dib_width = static_cast<int32_t>(Get32(dib, 4));
    const int32_t dib_height = static_cast<int32_t>(Get32(dib, 8));
    MetafileBytes body;
    for (int i = 0; i < 4; ++i) Put32(body, 0);  // bounds
    for (int32_t v : {0, 0, 0, 0, dib_width, dib_height}) Put32(body, static_cast<uint32_t>(v));
    for (uint32_t v : {80u, 40u, 120u, static_cast<uint32_t>(bits.size()), usage, 0x00CC0020u})
      Put32(body, v);
    Put32(body, static_cast<uint32_t>(width));
    Put32(body, static_cast<uint32_t>(height));
    body.insert(body.end(), info.begin(), info.end());
    body.insert(body.end(), bits.begin(), bits.end());
    return Record(81, body);
  }
  Emf& End() { return Record(14, MetafileBytes(12, 0)); }
};

// The .bmp a bitmap should come back as.
inline MetafileBytes BmpOf(const MetafileBytes& dib) {
  MetafileBytes b = {'B', 'M'};
  Put32(b, static_cast<uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, 14 + 40);
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

// Comment records carrying emf in pieces of at most piece bytes, as a metafile written
// from an enhanced one keeps it.
inline void CarryEmf(Wmf& wmf, const MetafileBytes& emf, size_t piece, int drop_piece = -1) {
  const uint32_t pieces = static_cast<uint32_t>((emf.size() + piece - 1) / piece);
  for (uint32_t n = 0; n < pieces; ++n) {
    const size_t from = n * piece;
    const size_t count = std::min(piece, emf.size() - from);
    MetafileBytes data;
    Put16(data, 0x000F);
    Put16(data, static_cast<uint16_t>(34 + count));
    Put32(data, 0x43464D57);
    Put32(data, 1);
    Put32(data, 0x10000);
    Put16(data, 0);
    Put32(data, 0);
    Put32(data, pieces);
    Put32(data, static_cast<uint32_t>(count));
    Put32(data, static_cast<uint32_t>(emf.size() - from - count));
    Put32(data, static_cast<uint32_t>(emf.size()));
    data.insert(data.end(), emf.begin() + from, emf.begin() + from + count);
    if (static_cast<int>(n) != drop_piece) wmf.Record(0x0626, {}, data);
  }
}

}  // namespace vlx::testing
