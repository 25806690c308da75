#include "engine/rebuild/apply_master_choice.h"

#include "engine/job/recovery_job.h"
#include "engine/rebuild/chosen_records.h"
#include "engine/rebuild/trial_builder.h"

namespace vlx {
namespace {

int ApplyCheckpoint(CandidateKind kind) {
  switch (kind) {
    case CandidateKind::kFoundMasterFoundStore:
      return 68;
    case CandidateKind::kFoundMasterDefaultStore:
      return 69;
    case CandidateKind::kDefaultMasterFoundStore:
      return 70;
    default:
      return 71;
  }
}

}  // namespace

void ApplyMasterChoice(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice) {
  job.trace().Checkpoint(67);
  job.trace().Checkpoint(ApplyCheckpoint(choice.kind));
  const ChosenRecords records = LoadChosenRecords(job.templates(), file, choice);
  BuildTrial(job, records.blip_store, records.master);
}

}  // namespace vlx
