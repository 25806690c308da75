#include "engine/rebuild/blip_catalogue.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint64_t kBlock = 512;

bool IsBlipRecord(const uint8_t* header, uint64_t room_after_header) {
  const uint16_t word = LoadU16(header);
  const uint16_t type = LoadU16(header + 2);
  const uint32_t length = LoadU32(header + 4);
  return (word & 0x000F) == 0 && type >= kTypeFirstBlip && type <= kTypeLastBlip &&
         length >= sizeof(BlipUid) && length <= room_after_header;
}

}  // namespace

BlipCatalogue BlipCatalogue::Read(DamagedFile& pictures) {
  BlipCatalogue catalogue;
  const uint64_t length = pictures.GetLength();
  uint64_t at = 0;
  while (at + kHeader + sizeof(BlipUid) <= length) {
    uint8_t head[kHeader + sizeof(BlipUid)];
    if (pictures.ReadAt(at, head, sizeof head) != sizeof head) break;
    if (!IsBlipRecord(head, length - at - kHeader)) {
      at = (at / kBlock + 1) * kBlock;
      continue;
    }
    BlipUid uid;
    std::copy(head + kHeader, head + kHeader + uid.size(), uid.begin());
    const uint64_t whole = kHeader + uint64_t{LoadU32(head + 4)};
    catalogue.by_uid_.emplace(uid, BlipLocation{at, whole});
    at += whole;
  }
  return catalogue;
}

std::optional<BlipLocation> BlipCatalogue::Find(const BlipUid& uid) const {
  const auto hit = by_uid_.find(uid);
  if (hit == by_uid_.end()) return std::nullopt;
  return hit->second;
}

}  // namespace vlx
