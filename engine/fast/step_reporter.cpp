#include "engine/fast/step_reporter.h"

#include <algorithm>
#include <numeric>

#include "engine/job/messages.h"

namespace vlx {
namespace {

constexpr uint64_t kCounterEvery = 600;

uint64_t RoundUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) / unit * unit;
}

}  // namespace

StepReporter::StepReporter(ProgressSink& sink, uint64_t length, uint64_t step)
    : sink_(sink),
      length_(length),
      step_(std::max<uint64_t>(step, 1)),
      counter_period_(std::lcm(step_, kCounterEvery)) {}

void StepReporter::Report(uint64_t offset) {
  if (offset >= next_percent_at_) {
    const int percent = Percent(offset, length_);
    // Smallest offset whose percentage is larger: ceil((percent + 1) * length / 100).
    next_percent_at_ = (static_cast<uint64_t>(percent + 1) * length_ + 99) / 100;
    if (percent != percent_) {
      percent_ = percent;
      sink_.SetProgress(percent);
    }
  }
  if (offset % kCounterEvery == 0) sink_.SetCounter(CounterText(offset, length_));
}

void StepReporter::ReportSteps(uint64_t from, uint64_t end) {
  // Only the offsets where something is sent are visited: the first tested offset at or
  // past the next percentage change, and the tested multiples of 600.
  for (uint64_t offset = from; offset < end;) {
    const uint64_t percent_at = RoundUp(std::max(offset, next_percent_at_), step_);
    const uint64_t counter_at = RoundUp(offset, counter_period_);
    const uint64_t at = std::min(percent_at, counter_at);
    if (at >= end) break;
    Report(at);
    offset = at + step_;
  }
}

}  // namespace vlx
