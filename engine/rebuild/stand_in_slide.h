#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/rebuild/master_frames.h"

namespace vlx {

// A Slide container standing in for a slide whose own records are damaged: on the
// given master, one text box per text of its slide-list entry (the text records after
// its SlidePersistAtom, copied as they are), titles at the top, the rest below. Empty
// when the entry holds no text. The master's frames place the texts where it has them.
// drawing_id (below 4096) names its drawing and its
// shapes; it must be one no other drawing of the presentation uses.
std::vector<uint8_t> StandInSlide(std::span<const uint8_t> entry_texts, SlideSize size,
                                  uint32_t master_id, uint32_t drawing_id,
                                  const MasterFrames& frames = {});

}  // namespace vlx
