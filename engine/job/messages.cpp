#include "engine/job/messages.h"

#include <cstdio>

namespace vlx {

std::string CriticalErrorText(int code) {
  char text[96];
  std::snprintf(text, sizeof text,
                "Critical Error %03d has occured. Please restart the application.", code);
  return text;
}

void ShowCriticalError(ProgressSink& sink, int code) {
  sink.ShowMainWindowMaximised();
  sink.ShowMessage(MessageOwner::kView, CriticalErrorText(code), kMessageCaption,
                   kStyleInformation);
}

std::string CounterText(int64_t value, int64_t total) {
  char text[48];
  std::snprintf(text, sizeof text, "%ld\\%ld",
                static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(value))),
                static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(total))));
  return text;
}

int Percent(uint64_t offset, uint64_t length) {
  if (length == 0) return 0;
  return static_cast<int>(offset * 100 / length);
}

}  // namespace vlx
