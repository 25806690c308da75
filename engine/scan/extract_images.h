#pragma once

#include <string>

#include "engine/job/recovery_job.h"

namespace vlx {

// Scans the damaged file at every position for picture records and saves each
// recognisable picture in its own format into Pictures/ of the output folder, reporting
// it to the view.
void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder);

}  // namespace vlx
