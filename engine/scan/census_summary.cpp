#include "engine/scan/census_summary.h"

namespace vlx {

CensusSummary SummariseCensus(const RecoveryJob& job) {
  CensusSummary summary;
  summary.drawings = job.drawings.size();
  summary.prog_tags = job.prog_tags.size();
  summary.main_masters = job.main_masters.size();
  summary.blip_stores = job.blip_stores.size();
  summary.slide_lists = job.slide_lists.size();
  summary.picture_blocks = job.picture_starts.size();
  if (!job.picture_starts.empty()) summary.picture_stream_start = job.picture_starts.front();
  summary.text_groups = job.texts.groups.size();
  if (!job.texts.groups.empty()) {
    const SlideTextGroup& first = job.texts.groups.front();
    for (const SlideText& t : first.byte_texts) summary.texts.push_back({t.slide, false, t.text});
    for (const SlideText& t : first.char_texts) summary.texts.push_back({t.slide, true, t.text});
  }
  return summary;
}

}  // namespace vlx
