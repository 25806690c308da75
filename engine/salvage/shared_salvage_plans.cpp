#include "engine/salvage/shared_salvage_plans.h"

#include <memory>

namespace vlx::salvage {

const std::vector<SalvagePlan>& SharedSalvagePlans::For(DamagedFile& file) {
  std::lock_guard lock(mutex_);
  if (!plans_ || path_ != file.path() || length_ != file.GetLength()) {
    plans_ = PlanSalvage(file);
    path_ = file.path();
    length_ = file.GetLength();
  }
  return *plans_;
}

const std::vector<SalvagePlan>& SalvagePlansOf(RecoveryJob& job, DamagedFile& file) {
  if (!job.salvage_plans) job.salvage_plans = std::make_shared<SharedSalvagePlans>();
  return job.salvage_plans->For(file);
}

}  // namespace vlx::salvage
