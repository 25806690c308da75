#pragma once

#include <cstdint>

namespace vlx {

// A length field is plausible when it is positive as a signed 32-bit number and
// smaller than the file. Where the record's body would end plays no part.
inline bool IsPlausibleLength(uint32_t length, uint64_t file_length) {
  return static_cast<int32_t>(length) > 0 && uint64_t{length} < file_length;
}

// The weaker rule of the picture scans: only smaller than the file (0 passes).
inline bool IsShorterThanFile(uint32_t length, uint64_t file_length) {
  return uint64_t{length} < file_length;
}

}  // namespace vlx
