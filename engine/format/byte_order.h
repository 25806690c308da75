#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace vlx {

// Every multi-byte field of the presentation and compound-file formats is little-endian.
// This is the one place that reads and writes them.

// Unchecked access through raw pointers, for hot loops that have already made sure the
// bytes are there.
inline uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint64_t LoadU64(const uint8_t* p) {
  return uint64_t{LoadU32(p)} | uint64_t{LoadU32(p + 4)} << 32;
}

// The picture files kept inside picture records (JPEG, PNG, GIF's neighbours) carry
// big-endian fields of their own.
inline uint16_t LoadU16BigEndian(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t LoadU32BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void StoreU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Bounds-checked access inside byte buffers: an offset that does not leave room for the
// whole field throws std::out_of_range instead of touching memory outside the buffer.
inline void RequireField(size_t buffer_size, size_t offset, size_t width) {
  if (offset > buffer_size || buffer_size - offset < width) {
    throw std::out_of_range("record field outside its buffer");
  }
}

inline uint16_t GetU16(std::span<const uint8_t> bytes, size_t offset) {
  RequireField(bytes.size(), offset, 2);
  return LoadU16(bytes.data() + offset);
}

inline uint32_t GetU32(std::span<const uint8_t> bytes, size_t offset) {
  RequireField(bytes.size(), offset, 4);
  return LoadU32(bytes.data() + offset);
}

inline void PutU16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
  RequireField(bytes.size(), offset, 2);
  StoreU16(bytes.data() + offset, value);
}

inline void PutU32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
  RequireField(bytes.size(), offset, 4);
  StoreU32(bytes.data() + offset, value);
}

// Appending to a growing buffer.
inline void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace vlx
