#pragma once

#include <string>

#include "engine/job/recovery_job.h"

namespace vlx {

// Replaces the progress log with the run's heading, then extracts the pictures.
void PrepareJob(RecoveryJob& job, const std::string& input_path, const std::string& output_folder);

// One whole run of each mode, on the calling (worker) thread. The environment's
// output_folder is replaced by the run's new output folder ("" when none could be
// made); failure says why a run ended early.
void DriveFastRecovery(RunEnvironment& env, const std::string& input_path);
void DriveStandardRecovery(RunEnvironment& env, const std::string& input_path);

}  // namespace vlx
