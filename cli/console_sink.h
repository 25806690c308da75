#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "engine/job/progress_sink.h"

namespace vlx::cli {

// The command line's ProgressSink. On a terminal it keeps one progress-bar line that is
// redrawn only when the percentage or the status text changes; elsewhere (a pipe, a log
// file) it writes plain lines: status changes and log lines, never one line per block.
// Messages are printed; a Yes/No question is answered No, anything else OK.
class ConsoleSink : public ProgressSink {
 public:
  // out: where everything goes (stderr in the tool). terminal: draw the bar.
  ConsoleSink(std::FILE* out, bool terminal);

  void SetStatus(const std::string& text) override;
  void SetCounter(const std::string& text) override;
  void SetProgress(int percent) override;
  void AppendLog(const std::string& text) override;
  void ReplaceLog(const std::string& text) override;
  int ShowMessage(MessageOwner owner, const std::string& text, const std::string& caption,
                  int style) override;
  void ShowRunEnded() override;

  // Codes of the "Critical Error NNN" messages shown since the last call, in order.
  std::vector<int> TakeCriticalErrors();

  // Prints a line of the tool's own (clears the bar first, redraws it after).
  void PrintLine(const std::string& text);

  // The run has no office on purpose: the critical errors of the stages that start one
  // are still counted but not printed; one note says why instead.
  void ExpectNoOffice() { no_office_ = true; }

 private:
  void DrawBar();
  void ClearBar();
  void WriteLines(const std::string& text);

  std::FILE* out_;
  bool terminal_;
  std::mutex mutex_;
  std::string status_;
  std::string counter_;
  int percent_ = -1;
  bool bar_shown_ = false;
  std::vector<int> critical_errors_;
  bool no_office_ = false;
  bool no_office_noted_ = false;
};

// Whether a critical error code means that an office could not be started.
bool IsOfficeStartError(int code);

// The number in "Critical Error NNN has occured. ..." or -1 for other texts.
int CriticalErrorCode(const std::string& message);

// Whether a message style asks a Yes/No question.
bool IsYesNoStyle(int style);

}  // namespace vlx::cli
