#pragma once

#include "engine/fast/carving_frame.h"
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

// The descriptions of the three passes.
const CarvingPhase& DocumentStreamPass();
const CarvingPhase& CurrentUserPass();
const CarvingPhase& PicturesStreamPass();

// The three passes of one file, run in this order, reading the file once between them
// (CarvingSearch): what each finds and does is what it finds and does on its own.
class StreamCarving {
 public:
  StreamCarving(RecoveryJob& job, DamagedFile& file);

  bool CarveDocumentStream() { return search_.Run(job_, file_, 0); }
  bool CarveCurrentUser() { return search_.Run(job_, file_, 1); }
  bool CarvePicturesStream() { return search_.Run(job_, file_, 2); }

 private:
  RecoveryJob& job_;
  DamagedFile& file_;
  CarvingSearch search_;
};

}  // namespace vlx
