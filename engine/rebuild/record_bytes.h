#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/format/byte_order.h"

namespace vlx {

// A record made of its header and the given body.
inline std::vector<uint8_t> MakeRecord(uint16_t version_instance, uint16_t type,
                                       std::span<const uint8_t> body) {
  std::vector<uint8_t> out;
  AppendU16(out, version_instance);
  AppendU16(out, type);
  AppendU32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline void AppendBytes(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace vlx
