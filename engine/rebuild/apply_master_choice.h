#pragma once

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx {

// Rebuilds the trial of the chosen candidate once more, so the workspace holds it.
void ApplyMasterChoice(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice);

}  // namespace vlx
