#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/job/progress_sink.h"

namespace vlx::testing {

// A ProgressSink that remembers everything, for assertions.
class RecordingSink : public ProgressSink {
 public:
  struct Message {
    MessageOwner owner;
    std::string text;
    std::string caption;
    int style;
  };

  void SetStatus(const std::string& text) override {
    std::lock_guard lock(mutex_);
    statuses.push_back(text);
  }
  void SetCounter(const std::string& text) override {
    std::lock_guard lock(mutex_);
    counters.push_back(text);
  }
  void SetProgress(int percent) override {
    std::lock_guard lock(mutex_);
    ++progress_calls;
    last_progress = percent;
    if (percent < 0 || percent > 100) progress_out_of_range = true;
  }
  void AppendLog(const std::string& text) override {
    std::lock_guard lock(mutex_);
    log += text;
  }
  void ReplaceLog(const std::string& text) override {
    std::lock_guard lock(mutex_);
    log = text;
  }
  int ShowMessage(MessageOwner owner, const std::string& text, const std::string& caption,
                  int style) override {
    std::lock_guard lock(mutex_);
    messages.push_back({owner, text, caption, style});
    return answer;
  }
  void ShowMainWindowMaximised() override { ++maximised; }
  void ShowRunEnded() override { ++run_ended; }

  bool HasMessage(const std::string& text) const {
    for (const auto& m : messages)
      if (m.text == text) return true;
    return false;
  }

  std::vector<std::string> statuses;
  std::vector<std::string> counters;
  std::string log;
  std::vector<Message> messages;
  long progress_calls = 0;
  int last_progress = -1;
  bool progress_out_of_range = false;
  int maximised = 0;
  int run_ended = 0;
  int answer = kAnswerYes;  // what ShowMessage answers

 private:
  std::mutex mutex_;
};

}  // namespace vlx::testing
