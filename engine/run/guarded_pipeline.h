#pragma once

#include <functional>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

using Pipeline = std::function<void(RecoveryJob&, DamagedFile&)>;

// Runs a mode's pipeline. A failure that escapes it (a read of the damaged file that
// fails, memory that runs out) ends the pipeline where it happened, with a log line that
// says why; it is not taken for a stop request of the user. Returns false after such
// a failure.
bool RunPipelineGuarded(RecoveryJob& job, DamagedFile& file, const Pipeline& pipeline);

// The log line of such a failure.
inline constexpr const char* kReadFailureLog = "Reading the damaged file failed: ";

}  // namespace vlx
