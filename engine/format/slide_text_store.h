#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlx {

// One slide text found by the text census (UTF-8) with the slide number current
// when it was found.
struct SlideText {
  std::string text;
  int64_t slide = 0;
};

// One group per slide list walked; every text goes into the first group.
struct SlideTextGroup {
  std::vector<SlideText> byte_texts;  // from TextBytesAtoms
  std::vector<SlideText> char_texts;  // from TextCharsAtoms
};

struct SlideTextStore {
  std::vector<SlideTextGroup> groups;
};

}  // namespace vlx
