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
};

// Every whole child of the damaged Document is kept byte for byte; a damaged child keeps
// the records before its damage. Where the damage breaks the run of records (a header
// of noise, a length past its container), reading goes on at the next header that opens
// a Document child, and inside a slide list at the next slide persist atom, so what
// follows a destroyed sector is kept. nullopt when no Document atom is left.
std::optional<SalvagedDocument> SalvageDocument(std::span<const uint8_t> document);

}  // namespace vlx
