#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/rebuild/master_frames.h"

namespace vlx {

// One text of a slide-list entry: its records from its TextHeaderAtom up to the next one.
struct ListText {
  std::span<const uint8_t> records;
  uint32_t type = 0;  // the text type its header atom names
  bool Title() const;
};

// The texts of a slide-list entry (the text records after its SlidePersistAtom), in
// order: a placeholder's OutlineTextRefAtom of index i shows the text at i. Records before
// the first TextHeaderAtom belong to no text; the walk stops at a record that overruns.
std::vector<ListText> ListTexts(std::span<const uint8_t> entry);

// Text boxes for the texts (shape containers, one after another), the text at i taking
// the shape id spids[i] (spids holds one id per text): titles in the title frame, the
// other texts one band each of the body frame, in order. Frames the master does not give
// are parts of the slide.
std::vector<uint8_t> ListTextBoxes(std::span<const ListText> texts, std::span<const uint32_t> spids,
                                   SlideSize size, const MasterFrames& frames);

}  // namespace vlx
