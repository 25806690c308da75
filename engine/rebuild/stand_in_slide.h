#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vlx {

// The size of a slide in master units (576 per inch), from the Document atom.
struct SlideSize {
  int32_t width = 5760;
  int32_t height = 4320;
};

// A Slide container standing in for a slide whose own records are damaged: on the
// given master, one text box per text of its slide-list entry (the text records after
// its SlidePersistAtom, copied as they are), titles at the top, the rest below. Empty
// when the entry holds no text. drawing_id (below 4096) names its drawing and its
// shapes; it must be one no other drawing of the presentation uses.
std::vector<uint8_t> StandInSlide(std::span<const uint8_t> entry_texts, SlideSize size,
                                  uint32_t master_id, uint32_t drawing_id);

}  // namespace vlx
