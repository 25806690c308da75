#pragma once

#include <optional>
#include <string>

namespace vlx {

// The first fault of the office during a run (it crashed, stopped answering and was
// ended, or could not be started), noted by the office backend where it sees it, so
// that the run reports what was lost and cannot end as a whole success.
// One run at a time per process; calls may come from any thread.

// Keeps text ("the office crashed") unless an earlier fault is kept.
void NoteOfficeFault(const std::string& text);

// The kept fault, if any; forgets it.
std::optional<std::string> TakeOfficeFault();

}  // namespace vlx
