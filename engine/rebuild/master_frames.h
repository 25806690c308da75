#pragma once

#include <cstdint>
#include <optional>
#include <span>

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

}  // namespace vlx
