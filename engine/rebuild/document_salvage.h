#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// A Document container made well formed from a damaged one's own records.
struct SalvagedDocument {
  std::vector<uint8_t> bytes;
  bool slide_list_damaged = false;  // entries of the slides' list may be lost
  bool children_lost = false;       // a damaged run of the Document's children was skipped
  // Slides' list entries (by persist id) whose text records a damaged run cut short: their
  // last record kept may hold noise, and those after it are lost.
  std::vector<uint32_t> entries_cut;
  // The end of a text atom whose header a damaged run destroyed, as read after the run,
  // made a text atom of its own (its style records, which count the lost part too, left
  // out); it lies right before the entry of `next_persist_id`.
  struct TextTail {
    uint32_t next_persist_id = 0;
    std::vector<uint8_t> atom;
  };
  std::vector<TextTail> text_tails;
};

// Every whole child of the damaged Document is kept byte for byte; a damaged child keeps
// the records before its damage. Where the damage breaks the run of records (a header
// of noise, a length past its container), reading goes on at the next header that opens
// a Document child, and inside a slide list at the next slide persist atom, so what
// follows a destroyed sector is kept; the end of a text the damage cut the head off is
// kept aside. nullopt when no Document atom is left.
std::optional<SalvagedDocument> SalvageDocument(std::span<const uint8_t> document);

}  // namespace vlx
