#include "engine/job/held_reports.h"

#include <utility>

namespace vlx {

void HeldReports::Hold(Kind kind, Call call) {
  if (kind != Kind::kOther && !calls_.empty() && calls_.back().first == kind) {
    calls_.back().second = std::move(call);
    return;
  }
  calls_.emplace_back(kind, std::move(call));
}

void HeldReports::SetStatus(const std::string& text) {
  Hold(Kind::kOther, [text](ProgressSink& sink, ResultView&) { sink.SetStatus(text); });
}

void HeldReports::SetCounter(const std::string& text) {
  Hold(Kind::kCounter, [text](ProgressSink& sink, ResultView&) { sink.SetCounter(text); });
}

void HeldReports::SetProgress(int percent) {
  Hold(Kind::kProgress, [percent](ProgressSink& sink, ResultView&) { sink.SetProgress(percent); });
}

void HeldReports::AppendLog(const std::string& text) {
  Hold(Kind::kOther, [text](ProgressSink& sink, ResultView&) { sink.AppendLog(text); });
}

void HeldReports::ReplaceLog(const std::string& text) {
  Hold(Kind::kOther, [text](ProgressSink& sink, ResultView&) { sink.ReplaceLog(text); });
}

int HeldReports::ShowMessage(MessageOwner owner, const std::string& text,
                             const std::string& caption, int style) {
  Hold(Kind::kOther,
       [=](ProgressSink& sink, ResultView&) { sink.ShowMessage(owner, text, caption, style); });
  return kAnswerOk;
}

void HeldReports::ShowMainWindowMaximised() {
  Hold(Kind::kOther, [](ProgressSink& sink, ResultView&) { sink.ShowMainWindowMaximised(); });
}

void HeldReports::ShowRunEnded() {
  Hold(Kind::kOther, [](ProgressSink& sink, ResultView&) { sink.ShowRunEnded(); });
}

void HeldReports::Add(const ResultItem& item) {
  Hold(Kind::kOther, [item](ProgressSink&, ResultView& view) { view.Add(item); });
}

void HeldReports::ReportOutcome(const RecoveryOutcome& outcome) {
  Hold(Kind::kOther, [outcome](ProgressSink&, ResultView& view) { view.ReportOutcome(outcome); });
}

void HeldReports::PassOn(ProgressSink& sink, ResultView& view) {
  std::vector<std::pair<Kind, Call>> calls = std::move(calls_);
  calls_.clear();
  for (auto& [kind, call] : calls) call(sink, view);
}

}  // namespace vlx
