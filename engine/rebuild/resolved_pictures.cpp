#include "engine/rebuild/resolved_pictures.h"

#include <algorithm>
#include <array>

#include "engine/format/blip_store_entry.h"
#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;

}  // namespace

std::span<const uint8_t> NewestBlipStore(std::span<const uint8_t> stream) {
  // The newest Document is the last one a save wrote.
  std::span<const uint8_t> document;
  for (size_t at = 0; stream.size() - at >= kHeader;) {
    const uint32_t length = LoadU32(stream.data() + at + 4);
    if (stream.size() - at - kHeader < length) break;
    if (LoadU16(stream.data() + at + 2) == kTypeDocument)
      document = stream.subspan(at, kHeader + size_t{length});
    at += kHeader + size_t{length};
  }
  return FirstChild(FirstChild(FirstChild(document, kTypeDrawingGroup), kTypeDrawingGroupContainer),
                    kTypeBlipStore);
}

size_t ResolvedPictures(std::span<const uint8_t> stream, DamagedFile& pictures) {
  size_t resolved = 0;
  for (std::span<const uint8_t> child : ChildRecords(NewestBlipStore(stream))) {
    if (GetU16(child, 2) != kTypeBlipStoreEntry || child.size() < kHeader + kBlipEntryBody)
      continue;
    const uint8_t* entry = child.data() + kHeader;
    std::array<uint8_t, kHeader + 16> blip{};
    if (pictures.ReadAt(LoadU32(entry + kBlipEntryOffsetAt), blip.data(), blip.size()) !=
        blip.size())
      continue;
    const uint16_t type = LoadU16(blip.data() + 2);
    if (type >= kTypeBlipFirst && type <= kTypeBlipLast &&
        std::equal(blip.begin() + kHeader, blip.end(), entry + kBlipEntryUidAt))
      ++resolved;
  }
  return resolved;
}

}  // namespace vlx
