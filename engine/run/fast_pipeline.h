#pragma once

#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/job/recovery_outcome.h"
#include "engine/run/deck_export.h"

namespace vlx {

// What the first part of the fast mode leaves for the second: the verified stream set
// assembled in the workspace and the office's export of its slides.
struct FastAssembly {
  RecoveryOutcome outcome;
  bool verified = false;   // a stream set verified
  bool assembled = false;  // and was written as a compound file
  DeckExport exported;     // the office's open and export of it
  std::string compound;    // the assembled file, in the workspace of the job that made it
};

// The fast mode, first part: carve the three streams, choose the stream set that
// verifies, assemble it and let the office open it and export its slides. It lists and
// saves nothing, so it may run ahead of its turn (StageAhead).
FastAssembly AssembleFastDeck(RecoveryJob& job, DamagedFile& file);

// The fast mode, second part: one thumbnail per exported slide, the presentation saved
// into the output folder, the outcome reported; the workspace is removed.
void FinishFastDeck(RecoveryJob& job, const FastAssembly& assembly);

// The fast mode whole: both parts in turn.
void RunFastPipeline(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
