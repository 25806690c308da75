#pragma once

#include <string>

#include "engine/job/recovery_job.h"
#include "engine/run/recovery_mode.h"

namespace vlx {

// Replaces the progress log with the run's heading, then extracts the pictures.
// workspace_shared: a stage running ahead works in the workspace meanwhile.
void PrepareJob(RecoveryJob& job, const std::string& input_path, const std::string& output_folder,
                bool workspace_shared = false);

// One whole run of each mode, on the calling (worker) thread. The environment's
// output_folder is replaced by the run's new output folder ("" when none could be
// made); failure says why a run ended early.
void DriveFastRecovery(RunEnvironment& env, const std::string& input_path);

// The run of the mode (kFast or kStandard; the auto mode is a front end's sequence of
// both).
void DriveRecovery(RunEnvironment& env, RecoveryMode mode, const std::string& input_path);
void DriveStandardRecovery(RunEnvironment& env, const std::string& input_path);

}  // namespace vlx
