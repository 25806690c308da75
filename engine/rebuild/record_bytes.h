#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace vlx {

// Little-endian fields inside record byte buffers. Every access is bounds-checked: an
// offset that does not leave room for the whole field throws std::out_of_range instead
// of touching memory outside the buffer.

inline void RequireField(size_t buffer_size, size_t offset, size_t width) {
  if (offset > buffer_size || buffer_size - offset < width) {
    throw std::out_of_range("record field outside its buffer");
  }
}

inline uint16_t GetU16(std::span<const uint8_t> bytes, size_t offset) {
  RequireField(bytes.size(), offset, 2);
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline uint32_t GetU32(std::span<const uint8_t> bytes, size_t offset) {
  RequireField(bytes.size(), offset, 4);
  return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline void PutU16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
  RequireField(bytes.size(), offset, 2);
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
  RequireField(bytes.size(), offset, 4);
  for (size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

// Byte offset of the body-length field inside an 8-byte record header.
inline constexpr size_t kRecordLengthField = 4;

}  // namespace vlx
