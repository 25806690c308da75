#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vlx {

// One entry of a slide list: its SlidePersistAtom and the text records after it, up to
// the next entry.
struct ListEntry {
  uint32_t persist_id = 0;
  uint32_t slide_id = 0;          // 0 when the atom is too short to hold one
  std::span<const uint8_t> atom;  // the SlidePersistAtom record
  std::span<const uint8_t> texts;
};

// The entries of the slide lists of the given instance (0 slides, 1 masters, 2 notes)
// of a Document container, in their order. The spans point into document.
std::vector<ListEntry> ListEntries(std::span<const uint8_t> document, uint16_t instance);

// The persist ids those entries name, in their order.
std::vector<uint32_t> ListedPersistIds(std::span<const uint8_t> document, uint16_t instance);

}  // namespace vlx
