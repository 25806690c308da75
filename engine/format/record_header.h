#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {

inline constexpr int kRecordHeaderSize = 8;

// Byte offset of the body-length field inside an 8-byte record header.
inline constexpr size_t kRecordLengthField = 4;

// The 8-byte little-endian header in front of every record. Decoding tests nothing.
struct RecordHeader {
  uint16_t version_instance = 0;  // low 4 bits: version (0xF = container); high 12: instance
  uint16_t type = 0;
  uint32_t length = 0;  // body length, the header's own 8 bytes not counted

  uint8_t first_byte() const { return static_cast<uint8_t>(version_instance); }

  static RecordHeader Decode(const uint8_t* bytes) {
    RecordHeader header;
    header.version_instance = LoadU16(bytes);
    header.type = LoadU16(bytes + 2);
    header.length = LoadU32(bytes + 4);
    return header;
  }
};

}  // namespace vlx
