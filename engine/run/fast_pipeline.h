#pragma once

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The fast mode: carve the three streams, assemble them, let the office open the
// result, list one thumbnail per slide and save the presentation.
void RunFastPipeline(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
