#pragma once

// Small but well-formed picture files and the picture records around them, for the
// picture search's tests.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/format/byte_order.h"
#include "tests/support/record_image.h"

namespace vlx::testing {

inline void Append(Bytes& out, std::initializer_list<unsigned> values) {
  for (unsigned v : values) out.push_back(static_cast<unsigned char>(v));
}

inline void AppendText(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

// A baseline JPEG's structure: SOI, an application segment (APP0 JFIF or APP1 Exif with a
// thumbnail JPEG inside it), a scan whose coded data holds stuffed bytes and a restart
// marker, and EOI. Decoders need not accept it; its markers are right.
inline Bytes Jpeg(bool exif = false) {
  Bytes b;
  Append(b, {0xFF, 0xD8});
  if (exif) {
    Append(b, {0xFF, 0xE1, 0x00, 0x12});
    AppendText(b, std::string("Exif\0\0", 6));
    Append(b, {0xFF, 0xD8, 0xFF, 0xD9, 0xFF, 0xD9, 0, 0, 0, 0});  // an embedded thumbnail's marks
  } else {
    Append(b, {0xFF, 0xE0, 0x00, 0x10});
    AppendText(b, std::string("JFIF\0", 5));
    Append(b, {1, 1, 0, 0, 1, 0, 1, 0, 0});
  }
  Append(b, {0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01});                    // a table
  Append(b, {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0});           // scan header
  Append(b, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0x00});  // coded data
  Append(b, {0xFF, 0xD9});
  return b;
}

inline void AppendPngChunk(Bytes& b, const char* type, const Bytes& data) {
  Append(
      b,
      {static_cast<unsigned>(data.size() >> 24), static_cast<unsigned>(data.size() >> 16 & 0xFF),
       static_cast<unsigned>(data.size() >> 8 & 0xFF), static_cast<unsigned>(data.size() & 0xFF)});
  AppendText(b, type);
  b.insert(b.end(), data.begin(), data.end());
  Append(b, {0xAA, 0xBB, 0xCC, 0xDD});  // checksum, not tested by the search
}

inline Bytes Png() {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendPngChunk(b, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0});
  AppendPngChunk(b, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00});
  AppendPngChunk(b, "IEND", {});
  return b;
}

// GIF89a with a global colour table, a control extension and one image.
inline Bytes Gif() {
  Bytes b;
  AppendText(b, "GIF89a");
  Append(b, {1, 0, 1, 0, 0x80, 0, 0});           // 1 x 1, a table of two colours
  Append(b, {0, 0, 0, 0xFF, 0xFF, 0xFF});        // the table
  Append(b, {0x21, 0xF9, 4, 0, 0, 0, 0, 0});     // control extension
  Append(b, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});  // image descriptor
  Append(b, {2, 2, 0x4C, 0x01, 0});              // code size, one sub-block, end
  Append(b, {0x3B});
  return b;
}

// A DIB of width x height at 24 bits per pixel (or 8 with a 256-colour table).
inline Bytes Dib(int width, int height, int bits = 24) {
  Bytes b(40, 0);
  StoreU32(b.data(), 40);
  StoreU32(b.data() + 4, static_cast<uint32_t>(width));
  StoreU32(b.data() + 8, static_cast<uint32_t>(height));
  StoreU16(b.data() + 12, 1);
  StoreU16(b.data() + 14, static_cast<uint16_t>(bits));
  if (bits == 8) b.resize(b.size() + 256 * 4, 0x40);
  const size_t row = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  b.resize(b.size() + row * height, 0x7F);
  return b;
}

// The start of an enhanced metafile: its header record with the " EMF" mark.
inline Bytes Emf() {
  Bytes b(108, 0);
  StoreU32(b.data(), 1);
  StoreU32(b.data() + 4, 108);
  StoreU32(b.data() + 40, 0x464D4520);
  for (size_t i = 88; i < b.size(); ++i) b[i] = static_cast<unsigned char>(i);
  return b;
}

inline Bytes Wmf() {
  Bytes b(40, 0x33);
  StoreU16(b.data(), 1);
  StoreU16(b.data() + 2, 9);
  StoreU16(b.data() + 4, 0x0300);
  return b;
}

// A version 2 PICT picture as a record holds it (without the file's 512-byte header):
// size, frame, version opcode and version, a few opcodes, the end opcode.
inline Bytes Pict() {
  Bytes b = {0x00, 0x30, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00};
  b.resize(46, 0x11);
  b.push_back(0x00);
  b.push_back(0xFF);
  return b;
}

// A metafile as a picture record keeps it: the 34-byte header, then the metafile
// deflated (or stored as it is).
inline Bytes MetafileBlipData(const Bytes& metafile, bool deflate = true) {
  Bytes stored = metafile;
  if (deflate) {
    uLongf size = compressBound(metafile.size());
    stored.resize(size);
    compress(stored.data(), &size, metafile.data(), metafile.size());
    stored.resize(size);
  }
  Bytes b(34 + stored.size(), 0);
  StoreU32(b.data(), static_cast<uint32_t>(metafile.size()));
  StoreU32(b.data() + 28, static_cast<uint32_t>(stored.size()));
  b[32] = deflate ? 0x00 : 0xFE;
  b[33] = 0xFE;
  std::copy(stored.begin(), stored.end(), b.begin() + 34);
  return b;
}

// Puts a picture record at `at`: its header (with length, or the true body length when
// length is 0), identifier bytes, the tag of a raster record, then the picture.
inline size_t PutBlip(Bytes& bytes, size_t at, uint16_t word, const Bytes& picture,
                      uint32_t length = 0, bool raster = true) {
  const size_t identifiers = (word >> 4) % 2 == 0 ? 16 : 32;
  const size_t prefix = identifiers + (raster ? 1 : 0);
  if (length == 0) length = static_cast<uint32_t>(prefix + picture.size());
  PutHeader(bytes, at, word, 0xF01D, length);
  for (size_t i = 0; i < prefix && at + 8 + i < bytes.size(); ++i) bytes[at + 8 + i] = 0xEE;
  for (size_t i = 0; i < picture.size() && at + 8 + prefix + i < bytes.size(); ++i)
    bytes[at + 8 + prefix + i] = picture[i];
  return at + 8 + prefix;
}

}  // namespace vlx::testing
