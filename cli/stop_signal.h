#pragma once

#include <functional>

#include "engine/job/recovery_job.h"

namespace vlx::cli {

// Makes Ctrl-C (SIGINT), SIGTERM and SIGHUP a stop request: the first one sets the
// flag, which the run reads at its test points and ends as a stop; a second one calls
// end_at_once (which removes the workspace and the offices) and ends the process at
// once (status 130). The signals are
// taken by a thread of their own (they are blocked in every other thread), so call
// this before any other thread starts. The flag must outlive the process.
void InstallStopSignal(StopFlag& flag, std::function<void()> end_at_once);

// Whether a stop signal has arrived since InstallStopSignal.
bool StopSignalled();

}  // namespace vlx::cli
