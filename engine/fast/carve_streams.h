#pragma once

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The three carving passes of the fast mode, run in this order. Each returns true when
// it ended normally (with or without a hit) and false on a stop request or when its
// workspace file could not be created or written.

// "PowerPoint Document": the first 512-aligned Document container, copied from there
// through the last byte of the file into the workspace file docfile.
bool CarveDocumentStream(RecoveryJob& job, DamagedFile& file);

// "Current User": the first 64-aligned CurrentUserAtom; its 512-byte block becomes the
// start of the Current User image and the workspace file userfile.
bool CarveCurrentUser(RecoveryJob& job, DamagedFile& file);

// "Pictures": the first 512-aligned picture record, copied from there through the last
// byte of the file into the workspace file picfile.
bool CarvePicturesStream(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
