#pragma once

#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/storage/copy_file_to_stream.h"

namespace vlx {

// Assembles the carved workspace files into the compound file at compound_path:
// "Pictures" from pictures, "Current User" from the template Current User image,
// "PowerPoint Document" from document. A null source leaves its stream empty.
// When the file cannot be created, Critical Error 007 is shown. Returns true when the
// file was written completely (the fast pipeline goes on either way).
bool AssembleCompound(RecoveryJob& job, DamagedFile* pictures, DamagedFile* document,
                      const std::string& compound_path);

}  // namespace vlx
