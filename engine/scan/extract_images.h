#pragma once

#include <string>

#include "engine/job/recovery_job.h"

namespace vlx {

// Scans the damaged file at every position for picture records and hands each
// recognisable picture to the view's add-picture operation.
void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder);

}  // namespace vlx
