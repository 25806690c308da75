#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format/found_record.h"
#include "engine/job/damaged_file.h"
#include "engine/rebuild/slide_text_match.h"

namespace vlx {

// One slide of the repaired deck: the found drawing it is rebuilt from and, where the
// file proves it, the persist id of its slide-list entry.
struct PlannedSlide {
  FoundRecord drawing;
  std::optional<uint32_t> persist_id;
};

// The found drawings that become slides, in the original order, and what was left out.
struct SlidePlan {
  std::vector<PlannedSlide> slides;
  size_t masters = 0;         // drawings of main and title masters
  size_t notes = 0;           // drawings of notes pages
  size_t handouts = 0;        // drawings of the handout master
  size_t older_versions = 0;  // drawings of a slide that a newer edit holds again
  size_t left_out() const { return masters + notes + handouts + older_versions; }
};

// Keeps the drawings held by a Slide container, or by no container that could be found;
// those of masters, notes and handouts are left out, and so is a Slide container that
// the persist directories give an id the slide lists do not have (a title master). Where several
// drawings belong to the same slide-list entry the last one in the file (the newest edit appends
// after the older ones) stands for it. Slides whose entry is known come in the slide list's order,
// then the others in file order.
SlidePlan PlanSlides(DamagedFile& file, const FoundRecordList& drawings,
                     const SlideTextMatcher& matcher);

}  // namespace vlx
