#include "engine/rebuild/resolved_pictures.h"

#include <algorithm>
#include <array>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr size_t kUidAt = 2;  // in an FBSE body
constexpr size_t kDelayAt = 28;
constexpr size_t kEntryBody = 36;

// The first child of the given type inside the container record; empty when none.
std::span<const uint8_t> ChildOf(std::span<const uint8_t> container, uint16_t type) {
  size_t at = kHeader;
  while (container.size() >= kHeader && container.size() - at >= kHeader) {
    const uint32_t length = LoadU32(container.data() + at + 4);
    if (container.size() - at - kHeader < length) break;
    if (LoadU16(container.data() + at + 2) == type)
      return container.subspan(at, kHeader + size_t{length});
    at += kHeader + size_t{length};
  }
  return {};
}

}  // namespace

size_t ResolvedPictures(std::span<const uint8_t> stream, DamagedFile& pictures) {
  // The newest Document is the last one a save wrote.
  std::span<const uint8_t> document;
  for (size_t at = 0; stream.size() - at >= kHeader;) {
    const uint32_t length = LoadU32(stream.data() + at + 4);
    if (stream.size() - at - kHeader < length) break;
    if (LoadU16(stream.data() + at + 2) == kTypeDocument)
      document = stream.subspan(at, kHeader + size_t{length});
    at += kHeader + size_t{length};
  }
  const std::span<const uint8_t> store = ChildOf(
      ChildOf(ChildOf(document, kTypeDrawingGroup), kTypeDrawingGroupContainer), kTypeBlipStore);
  size_t resolved = 0;
  size_t at = kHeader;
  while (store.size() >= kHeader && store.size() - at >= kHeader) {
    const uint32_t length = LoadU32(store.data() + at + 4);
    if (store.size() - at - kHeader < length) break;
    if (LoadU16(store.data() + at + 2) == kTypeBlipStoreEntry && length >= kEntryBody) {
      const uint8_t* entry = store.data() + at + kHeader;
      std::array<uint8_t, kHeader + 16> blip{};
      if (pictures.ReadAt(LoadU32(entry + kDelayAt), blip.data(), blip.size()) == blip.size()) {
        const uint16_t type = LoadU16(blip.data() + 2);
        if (type >= kTypeBlipFirst && type <= kTypeBlipLast &&
            std::equal(blip.begin() + kHeader, blip.end(), entry + kUidAt))
          ++resolved;
      }
    }
    at += kHeader + size_t{length};
  }
  return resolved;
}

}  // namespace vlx
