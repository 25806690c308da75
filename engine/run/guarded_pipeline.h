#pragma once

#include <functional>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

using Pipeline = std::function<void(RecoveryJob&, DamagedFile&)>;

// Runs a part of a run. A failure that escapes it (a read of the damaged file that
// fails, memory that runs out) ends it where it happened, with a log line that says
// why; it is not taken for a stop request of the user. Returns "" when the part ran
// to its end, else the reason.
std::string RunGuarded(RecoveryJob& job, const std::function<void()>& part);

// RunGuarded for a mode's pipeline; false after such a failure.
bool RunPipelineGuarded(RecoveryJob& job, DamagedFile& file, const Pipeline& pipeline);

// The log line of such a failure.
inline constexpr const char* kReadFailureLog = "Reading the damaged file failed: ";

}  // namespace vlx
