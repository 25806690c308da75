#pragma once

#include <optional>
#include <string>

namespace vlx {

// The first write of a run that failed (a file that could not be created, written,
// synced, closed or renamed, a folder that could not be made), kept so that the run
// cannot end as a success after it, whatever the stage that met it did next.
// One run at a time per process; calls may come from any of its threads.

// Keeps text ("<path>: No space left on device") unless an earlier failure is kept.
void NoteWriteFailure(const std::string& text);

// The kept failure, if any; forgets it.
std::optional<std::string> TakeWriteFailure();

}  // namespace vlx
