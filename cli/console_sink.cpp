#include "cli/console_sink.h"

#include <algorithm>
#include <cctype>

#include "cli/terminal_text.h"

namespace vlx::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr size_t kStatusWidth = 36;
constexpr const char* kCriticalPrefix = "Critical Error ";

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

int CriticalErrorCode(const std::string& message) {
  const size_t at = message.find(kCriticalPrefix);
  if (at == std::string::npos) return -1;
  size_t i = at + std::char_traits<char>::length(kCriticalPrefix);
  int code = 0;
  size_t digits = 0;
  while (i < message.size() && std::isdigit(static_cast<unsigned char>(message[i])) && digits < 4) {
    code = code * 10 + (message[i] - '0');
    ++i;
    ++digits;
  }
  return digits == 3 ? code : -1;
}

bool IsYesNoStyle(int style) {
  return (style & 0x0F) == 4;
}

bool IsOfficeStartError(int code) {
  return code == 8 || code == 15 || code == 16 || code == 17 || code == 33;
}

ConsoleSink::ConsoleSink(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

void ConsoleSink::DrawBar() {
  if (!terminal_) return;
  const int percent = std::clamp(percent_, 0, 100);
  const int filled = percent * kBarWidth / 100;
  std::string line = "\r[";
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(kBarWidth - filled), '-');
  line += "] ";
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  line += number;
  if (!status_.empty()) line += "  " + TerminalSafe(status_.substr(0, kStatusWidth));
  if (!counter_.empty()) line += "  " + TerminalSafe(counter_);
  line += "\x1b[K";
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
  bar_shown_ = true;
}

void ConsoleSink::ClearBar() {
  if (!bar_shown_) return;
  std::fputs("\r\x1b[K", out_);
  bar_shown_ = false;
}

// Writes text as whole lines: "\r\n" and lone '\r' end lines, a missing final line end
// is added.
void ConsoleSink::WriteLines(const std::string& text) {
  std::string line;
  auto flush = [&] {
    std::fputs(TerminalSafe(line).c_str(), out_);
    std::fputc('\n', out_);
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      flush();
    } else {
      line += c;
    }
  }
  if (!line.empty()) flush();
  std::fflush(out_);
}

void ConsoleSink::SetStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (text == status_) return;
  status_ = text;
  counter_.clear();  // a new stage has a counter of its own
  if (terminal_) {
    DrawBar();
  } else if (!text.empty()) {
    WriteLines(text);
  }
}

void ConsoleSink::SetCounter(const std::string& text) {
  std::lock_guard lock(mutex_);
  counter_ = text;  // shown with the next redraw; never a redraw of its own
}

void ConsoleSink::SetProgress(int percent) {
  std::lock_guard lock(mutex_);
  if (percent == percent_) return;
  percent_ = percent;
  DrawBar();
}

void ConsoleSink::AppendLog(const std::string& text) {
  std::lock_guard lock(mutex_);
  // Plain output has just printed the status; a log line that repeats it adds nothing.
  if (!terminal_ && !status_.empty() && Trimmed(text) == Trimmed(status_)) return;
  ClearBar();
  WriteLines(text);
  if (terminal_ && percent_ >= 0) DrawBar();
}

void ConsoleSink::ReplaceLog(const std::string& text) {
  AppendLog(text);
}

int ConsoleSink::ShowMessage(MessageOwner /*owner*/, const std::string& text,
                             const std::string& caption, int style) {
  std::lock_guard lock(mutex_);
  const bool question = IsYesNoStyle(style);
  const int code = CriticalErrorCode(text);
  if (code >= 0) critical_errors_.push_back(code);
  if (no_office_ && IsOfficeStartError(code)) {
    if (no_office_noted_) return kAnswerOk;
    no_office_noted_ = true;
    ClearBar();
    WriteLines("No office is used: slide pictures and office saves are left out.");
  } else {
    ClearBar();
    WriteLines(caption + ": " + text + (question ? " [answered No]" : ""));
  }
  if (terminal_ && percent_ >= 0) DrawBar();
  return question ? kAnswerNo : kAnswerOk;
}

void ConsoleSink::ShowRunEnded() {
  std::lock_guard lock(mutex_);
  ClearBar();
  std::fflush(out_);
  status_.clear();
  counter_.clear();
  percent_ = -1;
}

std::vector<int> ConsoleSink::TakeCriticalErrors() {
  std::lock_guard lock(mutex_);
  std::vector<int> codes;
  codes.swap(critical_errors_);
  return codes;
}

void ConsoleSink::PrintLine(const std::string& text) {
  std::lock_guard lock(mutex_);
  ClearBar();
  WriteLines(text);
  if (terminal_ && percent_ >= 0) DrawBar();
}

}  // namespace vlx::cli
