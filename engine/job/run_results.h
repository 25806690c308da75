#pragma once

#include <array>

#include "engine/job/result_view.h"

namespace vlx {

// What a run has reported to its view, counted by the engine itself: the numbers the
// stages label and place their items by, and the driver's end-of-run tests.
class RunResults {
 public:
  explicit RunResults(ResultView& view) : view_(view) {}

  void Report(const ResultItem& item) {
    ++counts_[static_cast<size_t>(item.list)];
    view_.Add(item);
  }

  int Count(ResultList list) const { return counts_[static_cast<size_t>(list)]; }

 private:
  ResultView& view_;
  std::array<int, 4> counts_ = {};
};

}  // namespace vlx
