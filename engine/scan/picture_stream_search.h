#pragma once

#include <cstdint>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// True when the 8 bytes at a block start open a picture record in a file of
// file_length bytes: one of the picture words and a length smaller than the file.
bool BeginsLikePictureRecord(const uint8_t* header_bytes, uint64_t file_length);

// Lists every 512-byte block that begins like a picture record (job.picture_starts)
// and copies the damaged file from the first of them through its end into the
// workspace file "vlxpicfile" (empty when no block qualifies). When that file cannot
// be written, critical error 006 is shown and the run goes on without it.
void SearchPictureStream(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
