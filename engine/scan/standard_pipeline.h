#pragma once

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx {

// The standard mode: scans, master choice, text slides, rebuild, save.
void RunStandardPipeline(RecoveryJob& job, DamagedFile& file);

// Rebuilds the trial of the chosen candidate once more, so the workspace holds it.
void ApplyMasterChoice(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice);

}  // namespace vlx
