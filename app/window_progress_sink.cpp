#include "app/window_progress_sink.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include "app/on_window_thread.h"
#include "app/progress_log.h"
#include "app/recovery_view.h"
#include "app/view_dialogs.h"

namespace vlx::app {
namespace {
QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
// The engine's fixed texts (status lines, messages, captions), as a translation gives them.
QString Translated(const std::string& utf8) {
  return QCoreApplication::translate("vlx::Engine", utf8.c_str());
}
}  // namespace

void WindowProgressSink::Reset() {
  last_progress_ = -1;
  std::lock_guard lock(text_mutex_);
  last_status_.clear();
  last_counter_.clear();
}

void WindowProgressSink::SetStatus(const std::string& text) {
  {
    std::lock_guard lock(text_mutex_);
    if (text == last_status_) return;
    last_status_ = text;
  }
  OnWindowThread(&view_, [&] { view_.status_label()->setText(Translated(text)); });
}

void WindowProgressSink::SetCounter(const std::string& text) {
  {
    std::lock_guard lock(text_mutex_);
    if (text == last_counter_) return;
    last_counter_ = text;
  }
  OnWindowThread(&view_, [&] { view_.counter_label()->setText(Text(text)); });
}

void WindowProgressSink::SetProgress(int percent) {
  if (last_progress_.exchange(percent) == percent) return;
  OnWindowThread(&view_, [&] { view_.progress_bar()->setValue(percent); });
}

void WindowProgressSink::AppendLog(const std::string& text) {
  OnWindowThread(&view_, [&] { view_.log()->Append(Text(text)); });
}

void WindowProgressSink::ReplaceLog(const std::string& text) {
  OnWindowThread(&view_, [&] { view_.log()->Replace(Text(text)); });
}

int WindowProgressSink::ShowMessage(MessageOwner owner, const std::string& text,
                                    const std::string& caption, int style) {
  int answer = kAnswerOk;
  OnWindowThread(&view_, [&] {
    QWidget* parent = owner == MessageOwner::kNone   ? nullptr
                      : owner == MessageOwner::kView ? static_cast<QWidget*>(&view_)
                                                     : view_.window();
    answer = view_.dialogs().Message(parent, Translated(text), Translated(caption), style);
  });
  return answer;
}

void WindowProgressSink::ShowMainWindowMaximised() {
  OnWindowThread(&view_, [&] { emit view_.showMaximisedRequested(); });
}

void WindowProgressSink::ShowRunEnded() {
  OnWindowThread(&view_, [&] { view_.ShowRunEndedLayout(); });
}

}  // namespace vlx::app
