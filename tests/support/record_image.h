#pragma once

// Byte images of damaged files made in tests: filler that holds no record header any
// scan looks for, and record headers put at chosen offsets.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlx::testing {

using Bytes = std::vector<unsigned char>;

inline Bytes Filler(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(0x11 + i % 7);
  return bytes;
}

// Writes a record header at `at` (cut off at the end of bytes).
inline void PutHeader(Bytes& bytes, size_t at, uint16_t ver_inst, uint16_t type, uint32_t length) {
  const unsigned char header[8] = {
      static_cast<unsigned char>(ver_inst),     static_cast<unsigned char>(ver_inst >> 8),
      static_cast<unsigned char>(type),         static_cast<unsigned char>(type >> 8),
      static_cast<unsigned char>(length),       static_cast<unsigned char>(length >> 8),
      static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
  for (size_t i = 0; i < sizeof header && at + i < bytes.size(); ++i) bytes[at + i] = header[i];
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + static_cast<long>(from),
               bytes.begin() + static_cast<long>(from + count));
}

}  // namespace vlx::testing
