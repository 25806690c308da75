#pragma once

#include <cstdint>

#include "engine/storage/little_endian.h"

namespace vlx {

// Record types the scans look for.
inline constexpr uint16_t kTypeMainMaster = 0x03F8;
inline constexpr uint16_t kTypeSlidePersistAtom = 0x03F3;
inline constexpr uint16_t kTypePPDrawing = 0x040C;
inline constexpr uint16_t kTypeTextCharsAtom = 0x0FA0;
inline constexpr uint16_t kTypeTextBytesAtom = 0x0FA8;
inline constexpr uint16_t kTypeSlideListWithText = 0x0FF0;
inline constexpr uint16_t kTypeProgTags = 0x1388;
inline constexpr uint16_t kTypeBlipStore = 0xF001;

// Byte 0 of a version-0xF container header whose instance has its low four bits clear.
inline constexpr uint8_t kContainerMark = 0x0F;

inline constexpr int kRecordHeaderSize = 8;

// The 8-byte little-endian header in front of every record. Decoding tests nothing.
struct RecordHeader {
  uint16_t version_instance = 0;  // low 4 bits: version (0xF = container); high 12: instance
  uint16_t type = 0;
  uint32_t length = 0;  // body length, the header's own 8 bytes not counted

  uint8_t first_byte() const { return static_cast<uint8_t>(version_instance); }

  static RecordHeader Decode(const uint8_t* bytes) {
    RecordHeader header;
    header.version_instance = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    header.type = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    header.length = LoadU32(bytes + 4);
    return header;
  }
};

}  // namespace vlx
