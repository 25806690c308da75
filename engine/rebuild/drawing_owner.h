#pragma once

#include <cstdint>

#include "engine/job/damaged_file.h"

namespace vlx {

// The container a found drawing belongs to.
enum class DrawingOwner {
  kSlide,       // a Slide container (a slide of the deck, or a title master)
  kNotes,       // a notes page
  kMainMaster,  // a main master
  kHandout,     // the handout master
  kUnknown,     // no container could be found around it
};

// Finds the container that holds the drawing at drawing_offset: the nearest Slide,
// Notes, MainMaster or Handout container header before it (within 64 KiB) whose body
// reaches past the drawing's end and whose children, walked one after another from its
// start, arrive exactly at the drawing.
struct DrawingContainer {
  DrawingOwner owner = DrawingOwner::kUnknown;
  uint64_t offset = 0;  // of the container's header (kUnknown: 0)
};
DrawingContainer FindDrawingOwner(DamagedFile& file, uint64_t drawing_offset,
                                  uint64_t drawing_total_length);

}  // namespace vlx
