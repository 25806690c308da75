#include "engine/run/stage_ahead.h"

#include <utility>

#include "engine/salvage/shared_salvage_plans.h"

namespace vlx {

StageAhead::StageAhead(RecoveryJob& run, Stage stage)
    : run_(run),
      trace_(TraceLog::Held(run.env.trace.enabled())),
      env_{reports_,
           trace_,
           run.env.stop,
           run.env.workspace,
           reports_,
           run.env.images,
           run.env.templates,
           run.env.office,
           run.env.master_dialog,
           run.env.output_folder,
           run.env.folder_prefix} {
  if (!run.env.workspace.Create()) return;
  // Both jobs plan the damaged file's salvage through one holder: planned once.
  if (!run.salvage_plans) run.salvage_plans = std::make_shared<salvage::SharedSalvagePlans>();
  env_.salvage_plans = run.salvage_plans;
  job_ = std::make_unique<RecoveryJob>(env_);
  thread_ = std::thread([this, stage = std::move(stage)] {
    try {
      stage(*job_);
    } catch (...) {
      escaped_ = std::current_exception();
    }
  });
}

StageAhead::~StageAhead() {
  Wait();
}

void StageAhead::Wait() {
  if (thread_.joinable()) thread_.join();
}

void StageAhead::Join() {
  Wait();
  if (joined_ || !job_) return;
  joined_ = true;
  reports_.PassOn(run_.env.sink, run_.env.view);
  trace_.PassOn(run_.env.trace);
  if (job_->office_restarted) run_.office_restarted = true;
  if (escaped_) std::rethrow_exception(escaped_);
}

void StageAhead::Drop() {
  Wait();
  joined_ = true;
  reports_.Discard();
}

}  // namespace vlx
