#pragma once

// What a benchmark that runs the engine hands it in place of a front end: a progress
// sink that says nothing and a view that counts the slides listed.

#include <string>

#include "engine/job/progress_sink.h"
#include "engine/job/result_view.h"

namespace vlx::bench {

class QuietSink : public ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetCounter(const std::string&) override {}
  void SetProgress(int) override {}
  void AppendLog(const std::string&) override {}
  void ReplaceLog(const std::string&) override {}
  int ShowMessage(MessageOwner, const std::string&, const std::string&, int) override {
    return kAnswerOk;
  }
};

class SlideCountingView : public ResultView {
 public:
  void Add(const ResultItem& item) override {
    if (item.list == ResultList::kSlides) ++slides;
  }
  int slides = 0;
};

}  // namespace vlx::bench
