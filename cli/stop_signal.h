#pragma once

#include "engine/job/recovery_job.h"

namespace vlx::cli {

// Makes Ctrl-C (SIGINT) and SIGTERM a stop request: the first one sets the flag, which
// the run reads at its test points and ends as a stop; a second one ends the process
// at once. The flag must outlive the process's use of signals.
void InstallStopSignal(StopFlag& flag);

// Whether a stop signal has arrived since InstallStopSignal.
bool StopSignalled();

}  // namespace vlx::cli
