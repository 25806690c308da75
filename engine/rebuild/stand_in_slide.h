#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// The size of a slide in master units (576 per inch), from the Document atom.
struct SlideSize {
  int32_t width = 5760;
  int32_t height = 4320;
};

// Where a master places its title and its body text, in master units (top, left,
// right, bottom), when it says.
struct TextFrame {
  int16_t top = 0, left = 0, right = 0, bottom = 0;
};
struct MasterFrames {
  std::optional<TextFrame> title;
  std::optional<TextFrame> body;
};

// The title and body placeholder frames of a master (a MainMaster or Slide container).
MasterFrames FramesOfMaster(std::span<const uint8_t> master);

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
