#pragma once

#include <cstdint>

namespace vlx {

// The JPEG markers the picture readers look for: each is 0xFF and a code.
inline constexpr uint8_t kJpegMarker = 0xFF;
inline constexpr uint8_t kJpegStartOfImage = 0xD8;
inline constexpr uint8_t kJpegEndOfImage = 0xD9;
inline constexpr uint8_t kJpegStartOfScan = 0xDA;
inline constexpr uint8_t kJpegTemporary = 0x01;  // stands alone, like the restarts
inline constexpr uint8_t kJpegHuffmanTables = 0xC4;
inline constexpr uint8_t kJpegRestartInterval = 0xDD;

inline bool IsJpegRestart(uint8_t code) {
  return code >= 0xD0 && code <= 0xD7;
}

}  // namespace vlx
