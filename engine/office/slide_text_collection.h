#pragma once

// Picking the recovered texts of one slide number out of the slide-text store.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/slide_text_store.h"

namespace vlx {

// Holds the texts of one slide number; never more than kSlideTextBufferSize.
using SlideTextBuffer = std::vector<std::string>;
inline constexpr size_t kSlideTextBufferSize = 100;

// The larger of the slide numbers of the last byte text and the last char text of the
// first group (an empty list counts 0; a store without groups gives 0).
int64_t HighestTextSlide(const SlideTextStore& store);

// Refills buffer with the texts of slide number n from the first group: the byte texts
// first, then the char texts. Each list is walked from its start and left at the first
// entry whose number is greater than n, so texts of a later slide list that restarts
// its numbering are not picked up. Returns the number of texts in the buffer.
size_t CollectSlideTexts(const SlideTextStore& store, int64_t n, SlideTextBuffer& buffer);

}  // namespace vlx
