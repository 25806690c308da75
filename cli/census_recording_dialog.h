#pragma once

#include <optional>

#include "engine/rebuild/master_candidate.h"
#include "engine/scan/census_summary.h"

namespace vlx::cli {

// Stands in the master-slide selection of a standard run: notes what the scans found
// (they are complete when the selection starts), then lets the chooser decide.
class CensusRecordingDialog : public MasterSlideDialog {
 public:
  explicit CensusRecordingDialog(MasterSlideDialog* chooser) : chooser_(chooser) {}

  std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile& file) override;

  // The census of the last run that reached the selection, and forgets it.
  std::optional<CensusSummary> TakeCensus();

 private:
  MasterSlideDialog* chooser_;
  std::optional<CensusSummary> census_;
};

}  // namespace vlx::cli
