#include "engine/rebuild/blip_references.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr size_t kPropertySize = 6;
constexpr uint16_t kBlipIdFlag = 0x4000;
constexpr uint16_t kComplexFlag = 0x8000;
constexpr int kDeepestNesting = 64;

bool IsPropertyTable(uint16_t type) {
  return type == kTypeShapeOptions || type == kTypeSecondaryOptions || type == kTypeTertiaryOptions;
}

void ReadPropertyTable(std::span<const uint8_t> body, uint16_t count, std::set<uint32_t>& out) {
  for (size_t i = 0; i < count && (i + 1) * kPropertySize <= body.size(); ++i) {
    const uint16_t id = GetU16(body, i * kPropertySize);
    const uint32_t value = GetU32(body, i * kPropertySize + 2);
    if ((id & kBlipIdFlag) != 0 && (id & kComplexFlag) == 0 && value != 0) out.insert(value);
  }
}

void Walk(std::span<const uint8_t> run, int depth, std::set<uint32_t>& out) {
  for (size_t at = 0; at + kHeader <= run.size();) {
    const uint16_t word = GetU16(run, at);
    const uint16_t type = GetU16(run, at + 2);
    const uint64_t room = run.size() - at - kHeader;
    const uint64_t length = GetU32(run, at + 4);
    const bool cut_short = length > room;
    const std::span<const uint8_t> body =
        run.subspan(at + kHeader, static_cast<size_t>(cut_short ? room : length));
    if ((word & 0x000F) == 0x000F) {
      if (depth < kDeepestNesting) Walk(body, depth + 1, out);
    } else if (IsPropertyTable(type)) {
      ReadPropertyTable(body, static_cast<uint16_t>(word >> 4), out);
    }
    if (cut_short) return;
    at += kHeader + static_cast<size_t>(length);
  }
}

}  // namespace

std::set<uint32_t> FindBlipReferences(std::span<const uint8_t> records) {
  std::set<uint32_t> out;
  Walk(records, 0, out);
  return out;
}

}  // namespace vlx
