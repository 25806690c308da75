#pragma once

#include <cstdint>
#include <string>

#include "engine/job/progress_sink.h"

namespace vlx {

inline constexpr const char* kMessageCaption = "Veltrix Pellum PowerPoint";
inline constexpr const char* kApplicationTitle = "Veltrix Pellum PowerPoint Recovery";

// A run that saved no presentation; the output folder follows on its own line.
inline constexpr const char* kNothingSavedMessage =
    "No repaired presentation could be saved. The progress log says why. Output folder:";

// "Critical Error 004 has occured. Please restart the application."
std::string CriticalErrorText(int code);

// Shows the main window maximised, then the numbered critical error (information
// style, owned by the view window). Does not end the run.
void ShowCriticalError(ProgressSink& sink, int code);

// Counter text: "76800\1048576". Both numbers are printed as the signed 32-bit values
// the counter has always shown (the low 32 bits of each).
std::string CounterText(int64_t value, int64_t total);

// offset * 100 / length in 64 bits, truncated; 0 for an empty length.
int Percent(uint64_t offset, uint64_t length);

}  // namespace vlx
