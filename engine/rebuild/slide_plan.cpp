#include "engine/rebuild/slide_plan.h"

#include <algorithm>
#include <map>

#include "engine/rebuild/drawing_owner.h"

namespace vlx {

SlidePlan PlanSlides(DamagedFile& file, const FoundRecordList& drawings,
                     const SlideTextMatcher& matcher) {
  SlidePlan plan;
  std::vector<PlannedSlide> kept;
  std::map<uint32_t, size_t> newest;  // persist id -> index in kept
  for (const FoundRecord& drawing : drawings) {
    const DrawingContainer container = FindDrawingOwner(
        file, static_cast<uint64_t>(drawing.offset), static_cast<uint64_t>(drawing.total_length()));
    switch (container.owner) {
      case DrawingOwner::kMainMaster:
        ++plan.masters;
        continue;
      case DrawingOwner::kNotes:
        ++plan.notes;
        continue;
      case DrawingOwner::kHandout:
        ++plan.handouts;
        continue;
      case DrawingOwner::kSlide:
        if (matcher.IsNamedOutsideSlideList(container.offset)) {
          ++plan.masters;  // a title master
          continue;
        }
        break;
      case DrawingOwner::kUnknown:
        break;
    }
    PlannedSlide slide{drawing, container.owner == DrawingOwner::kSlide
                                    ? matcher.PersistIdOfSlide(container.offset)
                                    : std::nullopt};
    if (slide.persist_id) {
      const auto [hit, fresh] = newest.emplace(*slide.persist_id, kept.size());
      if (!fresh) {
        kept[hit->second] = slide;  // a later version of the same slide
        ++plan.older_versions;
        continue;
      }
    }
    kept.push_back(slide);
  }
  // Known entries by their place in the slide list, the rest after them as found.
  const auto rank = [&](const PlannedSlide& s) -> size_t {
    if (!s.persist_id) return SIZE_MAX;
    return matcher.ListPosition(*s.persist_id).value_or(SIZE_MAX);
  };
  std::stable_sort(kept.begin(), kept.end(),
                   [&](const PlannedSlide& a, const PlannedSlide& b) { return rank(a) < rank(b); });
  plan.slides = std::move(kept);
  return plan;
}

}  // namespace vlx
