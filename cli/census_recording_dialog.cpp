#include "cli/census_recording_dialog.h"

#include "engine/job/recovery_job.h"

namespace vlx::cli {

std::optional<MasterChoice> CensusRecordingDialog::Run(RecoveryJob& job, DamagedFile& file) {
  census_ = SummariseCensus(job);
  if (chooser_ == nullptr) return std::nullopt;
  return chooser_->Run(job, file);
}

std::optional<CensusSummary> CensusRecordingDialog::TakeCensus() {
  std::optional<CensusSummary> census;
  census.swap(census_);
  return census;
}

}  // namespace vlx::cli
