#include "engine/rebuild/carried_text_filter.h"

#include <algorithm>

#include "engine/format/record_tree.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/carried_texts.h"
#include "engine/rebuild/drawing_extract.h"
#include "engine/rebuild/slide_plan.h"
#include "engine/rebuild/slide_text_match.h"

namespace vlx {

size_t RemoveCarriedTexts(SlideTextStore& store, const std::set<std::string>& carried) {
  size_t removed = 0;
  const auto is_carried = [&](const SlideText& t) {
    const bool gone = carried.count(ComparableText(t.text)) != 0;
    removed += gone ? 1 : 0;
    return gone;
  };
  for (SlideTextGroup& group : store.groups) {
    std::erase_if(group.byte_texts, is_carried);
    std::erase_if(group.char_texts, is_carried);
  }
  return removed;
}

void LeaveDataSlidesOnlyForUncarriedTexts(RecoveryJob& job, DamagedFile& file) {
  const SlideTextMatcher matcher(file, job.slide_lists);
  const SlidePlan plan = PlanSlides(file, job.drawings, matcher);
  std::set<std::string> carried;
  for (const PlannedSlide& slide : plan.slides) {
    // A drawing whose records do not nest may be left out of the deck; its texts keep
    // their data slide.
    const std::vector<uint8_t> drawing = ReadDrawingWithTags(file, job.prog_tags, slide.drawing);
    if (!IsWellFormedRecordRun(drawing)) continue;
    carried.merge(TextsCarriedBy(drawing));
    if (auto texts = slide.persist_id ? matcher.TextsFor(*slide.persist_id) : std::nullopt)
      carried.merge(TextsCarriedBy(texts->records));
  }
  const size_t removed = RemoveCarriedTexts(job.texts, carried);
  if (removed > 0) {
    job.sink().AppendLog("    " + std::to_string(removed) +
                         " recovered texts are on their own slides; data slides hold the rest\r\n");
  }
}

}  // namespace vlx
