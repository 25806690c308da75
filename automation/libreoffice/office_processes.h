#pragma once

#include "engine/job/progress_sink.h"

namespace vlx {

// The "PowerPoint windows" of this program on Linux are its office processes: its own
// and leftovers of an earlier run that crashed (see office_process_table.h).

// Asks before a run whether running offices may be ended; true when the run may start
// (none ran, or they were ended on Yes), false when the user answered No.
bool CheckPowerPointRunning(ProgressSink& sink);

// Ends every office of this program without asking. A process that will not die is
// given up on after a few seconds.
void TerminatePowerPoint();

}  // namespace vlx
