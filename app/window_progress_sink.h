#pragma once

#include <QObject>
#include <atomic>
#include <mutex>
#include <string>

#include "engine/job/progress_sink.h"

namespace vlx::app {

class RecoveryView;

// The engine's ProgressSink on the window: every call is carried out on the window's
// thread before it returns. Progress values and status texts that did not change are
// not forwarded, so a scan of a large file does not flood the window.
class WindowProgressSink : public ProgressSink {
 public:
  explicit WindowProgressSink(RecoveryView& view) : view_(view) {}

  void SetStatus(const std::string& text) override;
  void SetCounter(const std::string& text) override;
  void SetProgress(int percent) override;
  void AppendLog(const std::string& text) override;
  void ReplaceLog(const std::string& text) override;
  int ShowMessage(MessageOwner owner, const std::string& text, const std::string& caption,
                  int style) override;
  void ShowMainWindowMaximised() override;
  void ShowRunEnded() override;

  // A new run starts: forget what was last forwarded.
  void Reset();

 private:
  RecoveryView& view_;
  std::atomic<int> last_progress_{-1};
  std::mutex text_mutex_;
  std::string last_status_;
  std::string last_counter_;
};

}  // namespace vlx::app
