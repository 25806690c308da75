#pragma once

#include "engine/job/result_view.h"

namespace vlx::app {

class RecoveryView;

// The engine's ResultView on the window's three lists.
class WindowResultView : public ResultView {
 public:
  explicit WindowResultView(RecoveryView& view) : view_(view) {}

  void Add(const ResultItem& item) override;

 private:
  RecoveryView& view_;
};

}  // namespace vlx::app
