#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/rebuild/master_frames.h"

namespace vlx {

// A slide kept without its damaged parts (a well-formed Slide container) with a text box
// added to its drawing's top group for every text of its slide-list entry that the slide
// no longer shows: no placeholder names the text by its OutlineTextRefAtom and no text box
// holds its characters. The boxes sit where StandInSlide puts them: a title in the title
// frame, but only when the slide lost its title (it shows no title text and keeps no title
// placeholder); the other texts in bands of the body frame. Their shape ids follow the
// drawing's last one, within its drawing's ids, and its drawing atom counts them. The
// slide as it is when it misses nothing, or when it is not a whole Slide with a drawing.
std::vector<uint8_t> WithMissingListTexts(std::span<const uint8_t> slide,
                                          std::span<const uint8_t> entry_texts, SlideSize size,
                                          const MasterFrames& frames);

}  // namespace vlx
