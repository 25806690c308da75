#include "engine/rebuild/slide_list_entries.h"

#include <algorithm>
#include <optional>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/stream_records.h"

namespace vlx {

using records::HeaderAt;
using records::kHeader;

std::vector<ListEntry> ListEntries(std::span<const uint8_t> document, uint16_t instance) {
  std::vector<ListEntry> entries;
  size_t at = kHeader;
  while (std::optional<RecordHeader> h = HeaderAt(document, at)) {
    if (document.size() - at - kHeader < h->length) break;
    if (h->type == kTypeSlideListWithText && (h->version_instance >> 4) == instance) {
      size_t p = at + kHeader;
      const size_t end = p + h->length;
      constexpr size_t kClosed = SIZE_MAX;
      size_t texts_from = kClosed;  // of the last entry, while it is open
      const auto close = [&](size_t to) {
        if (texts_from != kClosed)
          entries.back().texts = document.subspan(texts_from, to - texts_from);
        texts_from = kClosed;
      };
      while (std::optional<RecordHeader> c = HeaderAt(document.first(end), p)) {
        const size_t next = p + kHeader + size_t{c->length};
        if (c->type == kTypeSlidePersistAtom) {
          close(p);
          if (c->length >= 4) {
            const uint8_t* body = document.data() + p + kHeader;
            entries.push_back({LoadU32(body),
                               c->length >= 16 ? LoadU32(body + 12) : 0,
                               document.subspan(p, std::min(next, end) - p),
                               {}});
            texts_from = std::min(next, end);
          }
        }
        p = next;
      }
      close(std::min(p, end));
    }
    at += kHeader + size_t{h->length};
  }
  return entries;
}

std::vector<uint32_t> ListedPersistIds(std::span<const uint8_t> document, uint16_t instance) {
  std::vector<uint32_t> ids;
  for (const ListEntry& entry : ListEntries(document, instance)) ids.push_back(entry.persist_id);
  return ids;
}

}  // namespace vlx
