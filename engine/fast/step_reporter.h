#pragma once

#include <cstdint>

#include "engine/job/progress_sink.h"

namespace vlx {

// The progress a carving pass shows for the offsets it has reached: the percentage of
// the file, sent when it changes, and the counter text at offsets that are multiples
// of 600. A scan reports a whole stretch of tested offsets in one call, at the cost of
// the reports it sends rather than of the offsets it passes.
class StepReporter {
 public:
  // step: distance between the offsets a scan tests (offsets 0, step, 2 * step, ...).
  StepReporter(ProgressSink& sink, uint64_t length, uint64_t step);

  // One offset reached (a tested offset, or a block of a copy).
  void Report(uint64_t offset);

  // The tested offsets from, from + step, ... below end, as if each were reported in
  // turn; from is a multiple of the step.
  void ReportSteps(uint64_t from, uint64_t end);

 private:
  ProgressSink& sink_;
  uint64_t length_;
  uint64_t step_;
  uint64_t counter_period_;  // the tested offsets that are multiples of 600
  uint64_t next_percent_at_ = 0;
  int percent_ = -1;  // the last one sent
};

}  // namespace vlx
