#pragma once

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The standard mode: scans, master choice, text slides, rebuild, save.
void RunStandardPipeline(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
