#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/job/progress_sink.h"
#include "engine/job/result_view.h"

namespace vlx {

// A sink and a view that hold back what they are told, in the order they were told
// it, until PassOn hands it to the real ones. A stage that runs ahead of its turn
// reports through them, so the log and the lists read as if it had run in its turn.
// Messages are shown when passed on; the stage gets kAnswerOk at once, so only
// stages that show no question may report through them. Used by one thread at a
// time: the stage's, then (after it ended) the one that passes its reports on.
class HeldReports : public ProgressSink, public ResultView {
 public:
  void SetStatus(const std::string& text) override;
  void SetCounter(const std::string& text) override;
  void SetProgress(int percent) override;
  void AppendLog(const std::string& text) override;
  void ReplaceLog(const std::string& text) override;
  int ShowMessage(MessageOwner owner, const std::string& text, const std::string& caption,
                  int style) override;
  void ShowMainWindowMaximised() override;
  void ShowRunEnded() override;

  void Add(const ResultItem& item) override;
  void ReportOutcome(const RecoveryOutcome& outcome) override;

  // Tells sink and view everything held, in order, and forgets it.
  void PassOn(ProgressSink& sink, ResultView& view);
  // Forgets everything held.
  void Discard() { calls_.clear(); }

 private:
  // Progress and counter updates in a row leave only their last one: a long scan
  // sends thousands, and each would cost a round trip to the window when passed on.
  enum class Kind { kProgress, kCounter, kOther };
  using Call = std::function<void(ProgressSink&, ResultView&)>;
  void Hold(Kind kind, Call call);

  std::vector<std::pair<Kind, Call>> calls_;
};

}  // namespace vlx
