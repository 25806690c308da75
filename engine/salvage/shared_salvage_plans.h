#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/salvage/salvage_plan.h"

namespace vlx::salvage {

// The salvage plans of one damaged file, made on first need and then handed to every
// stage that reads its compound structures: the pictures pass, the fast mode's
// candidates, the standard mode's deck of the file's own records. Planning reads the
// whole file, so it is done once per run. Asked about another file (another path or
// length), it plans that one instead. Stages of one run on two threads may ask at once:
// one plans, the other waits for its plans.
class SharedSalvagePlans {
 public:
  const std::vector<SalvagePlan>& For(DamagedFile& file);

 private:
  std::mutex mutex_;
  std::string path_;
  uint64_t length_ = 0;
  std::optional<std::vector<SalvagePlan>> plans_;
};

// The plans of the run's damaged file, shared by the run's stages (and by the runs the
// front end lets share them, see RunEnvironment::salvage_plans).
const std::vector<SalvagePlan>& SalvagePlansOf(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx::salvage
