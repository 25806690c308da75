#pragma once

#include <string>

namespace vlx {

// Who owns a message box: nobody, the view window, or the main frame.
enum class MessageOwner { kNone, kView, kMainWindow };

// Message box styles as the stages pass them.
inline constexpr int kStyleInformation = 64;    // information icon, OK
inline constexpr int kStyleWarning = 48;        // exclamation icon, OK
inline constexpr int kStyleYesNoWarning = 52;   // exclamation icon, Yes and No
inline constexpr int kStyleYesNoQuestion = 36;  // question icon, Yes and No
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The window side of reporting. Every call may come from a worker thread and has
// completed (on the window's thread, where there is one) when it returns.
// Texts are UTF-8.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetCounter(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void AppendLog(const std::string& text) = 0;
  virtual void ReplaceLog(const std::string& text) = 0;
  // Modal message; returns the button pressed (kAnswerOk, kAnswerYes, kAnswerNo).
  virtual int ShowMessage(MessageOwner owner, const std::string& text, const std::string& caption,
                          int style) = 0;
  // Brings the main window up maximised before a critical message.
  virtual void ShowMainWindowMaximised() {}
  // End of a run: stop button and progress controls hidden, back button shown.
  virtual void ShowRunEnded() {}
};

}  // namespace vlx
