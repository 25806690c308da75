#pragma once

#include <array>
#include <string>

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

  // The presentation the run saved; a run whose save failed never records one.
  void RecordSaved(std::string path) { saved_presentation_ = std::move(path); }
  const std::string& saved_presentation() const { return saved_presentation_; }

  // The run ended where a choice was asked for and none was given (a cancelled or
  // list-only master-slide selection): saving nothing is what was asked for.
  void RecordDeclined() { declined_ = true; }
  bool declined() const { return declined_; }

 private:
  ResultView& view_;
  std::array<int, 4> counts_ = {};
  std::string saved_presentation_;
  bool declined_ = false;
};

}  // namespace vlx
