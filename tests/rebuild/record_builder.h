#pragma once

// Building record bytes for synthetic damaged files, and walking rebuilt streams.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "engine/format/byte_order.h"

namespace vlx::testing {

inline std::vector<uint8_t> Record(uint16_t version_instance, uint16_t type,
                                   std::vector<uint8_t> body) {
  const auto length = static_cast<uint32_t>(body.size());
  body.insert(body.begin(), 8, uint8_t{0});
  PutU16(body, 0, version_instance);
  PutU16(body, 2, type);
  PutU32(body, 4, length);
  return body;
}

// The parts one after another.
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The values as little-endian 32-bit words.
inline std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t v : values) AppendU32(out, v);
  return out;
}

inline std::vector<uint8_t> Filled(size_t size, uint8_t value) {
  return std::vector<uint8_t>(size, value);
}

inline void Put(std::vector<uint8_t>& file, size_t at, const std::vector<uint8_t>& bytes) {
  if (file.size() < at + bytes.size()) file.resize(at + bytes.size());
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
}

struct WalkedRecord {
  size_t offset;
  uint16_t version_instance;
  uint16_t type;
  uint32_t length;
};

// The records lying one after another in bytes[from, to).
inline std::vector<WalkedRecord> Walk(std::span<const uint8_t> bytes, size_t from, size_t to) {
  std::vector<WalkedRecord> records;
  while (from + 8 <= to) {
    const WalkedRecord r{from, GetU16(bytes, from), GetU16(bytes, from + 2),
                         GetU32(bytes, from + 4)};
    records.push_back(r);
    from += 8 + size_t{r.length};
  }
  return records;
}

}  // namespace vlx::testing
