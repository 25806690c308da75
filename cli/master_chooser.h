#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "cli/run_report.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx::cli {

// The master-slide selection of the command line: runs the search and takes the N-th
// listed candidate (--master N). With --list-masters the candidates are kept, with the
// paths of their preview pictures, for the run's report, and none is taken: the run
// stops at the choice.
class MasterChooser : public MasterSlideDialog {
 public:
  MasterChooser(int number, bool list);
  ~MasterChooser() override;

  std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile& file) override;

  // Moves the candidates of the last selection into the run's record; with a listing
  // stream (no --json) also prints them there.
  void Report(RunRecord& run, std::FILE* listing);

 private:
  int number_;
  bool list_;
  std::vector<MasterEntry> listed_;
};

}  // namespace vlx::cli
