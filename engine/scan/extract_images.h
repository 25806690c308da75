#pragma once

#include <string>

#include "engine/job/recovery_job.h"
#include "engine/scan/pictures/byte_source.h"

namespace vlx {

// Scans the damaged file at every position for picture records and saves each
// recognisable picture in its own format into Pictures/ of the output folder, once per
// distinct picture, reporting it to the view with the offset it was first found at.
void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder);

// The same search and saving over any byte source (a damaged file's bytes, or a picture
// stream put together from it); offsets are the source's. False when stopped.
bool ExtractPictures(RecoveryJob& job, ByteSource& source, const std::string& output_folder);

}  // namespace vlx
