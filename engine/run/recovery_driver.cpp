#include "engine/run/recovery_driver.h"

#include <exception>

#include "engine/run/fast_pipeline.h"
#include "engine/job/damaged_file.h"
#include "engine/run/guarded_pipeline.h"
#include "engine/job/messages.h"
#include "engine/job/output_folder.h"
#include "engine/scan/extract_images.h"
#include "engine/run/standard_pipeline.h"

namespace vlx {
namespace {

constexpr const char* kAdviceStandardMode =
    "This selected mode is unable to recover file , please select standard mode to recover this "
    "file ";

// Refuses to run on a workspace that is not ours (a planted link or a foreign folder).
bool WorkspaceUsable(RunEnvironment& env) {
  std::string why;
  if (env.workspace.Create(&why)) return true;
  env.sink.AppendLog("Cannot use the temporary folder: " + why + "\r\n");
  env.sink.ShowMessage(MessageOwner::kView, "Cannot use the temporary folder:\n" + why,
                       kMessageCaption, kStyleWarning);
  return false;
}

// The end of a run in the log. A run that a failure ended early says so instead of
// claiming completion (its reason is already in the log).
void ReportEnd(RunEnvironment& env, bool failed = false) {
  env.sink.AppendLog(env.stop.load() ? "User aborted repairing process"
                     : failed        ? "Repairing ended early"
                                     : "Repairing completed");
  env.sink.ShowRunEnded();
}

// The end of a run that got as far as its pipeline. Completion is claimed only for a run
// that saved its presentation; any other says so in the log and in a message the user
// sees, unless the run says it in its own message (advised).
void ReportPipelineEnd(RunEnvironment& env, const RecoveryJob& job, bool completed, bool advised) {
  env.saved_presentation = job.results.saved_presentation();
  if (env.stop.load() || !env.saved_presentation.empty()) {
    ReportEnd(env, !completed);
    return;
  }
  env.sink.AppendLog(completed ? "Repairing ended without a saved presentation"
                               : "Repairing ended early");
  env.sink.ShowRunEnded();
  if (advised) return;
  env.sink.ShowMessage(MessageOwner::kView,
                       kNothingSavedMessage + std::string("\n") + env.output_folder,
                       kMessageCaption, kStyleWarning);
}

// The damaged file could not be opened: the run still ends in the window (back button
// shown) and leaves no temporary files behind.
void EndUnreadableRun(RunEnvironment& env, const std::string& why) {
  env.sink.AppendLog("Cannot open " + why + "\r\n");
  env.workspace.Delete();
  ReportEnd(env);
}

}  // namespace

void PrepareJob(RecoveryJob& job, const std::string& input_path, const std::string& output_folder) {
  job.sink().ReplaceLog("\t\tRepairing file << " + input_path + " >>\r\n");
  ExtractImages(job, input_path, output_folder);
}

void DriveFastRecovery(RunEnvironment& env, const std::string& input_path) {
  env.saved_presentation.clear();
  env.output_folder = CreateOutputFolder(env.output_folder, env.folder_prefix);
  RecoveryJob job(env);
  if (!WorkspaceUsable(env)) {
    ReportEnd(env);
    return;
  }
  PrepareJob(job, input_path, env.output_folder);
  std::string why;
  auto file = DamagedFile::Open(input_path, &why);
  if (!file) {
    ShowCriticalError(env.sink, 4);
    EndUnreadableRun(env, why);
    return;
  }
  const bool completed = RunPipelineGuarded(job, *file, RunFastPipeline);
  env.workspace.Delete();
  const bool advise = job.results.Count(ResultList::kSlides) == 0 && !env.stop.load();
  ReportPipelineEnd(env, job, completed, advise);
  if (job.results.Count(ResultList::kSlides) == 0) {
    env.sink.ShowMainWindowMaximised();
    env.sink.ShowMessage(MessageOwner::kView, kAdviceStandardMode, kMessageCaption, kStyleWarning);
  }
}

void DriveStandardRecovery(RunEnvironment& env, const std::string& input_path) {
  env.saved_presentation.clear();
  env.trace.Checkpoint(3);
  env.output_folder = CreateOutputFolder(env.output_folder, env.folder_prefix);
  env.trace.Checkpoint(4);
  env.trace.Checkpoint(5);
  RecoveryJob job(env);
  if (!WorkspaceUsable(env)) {
    ReportEnd(env);
    return;
  }
  PrepareJob(job, input_path, env.output_folder);
  env.trace.Checkpoint(6);
  std::string why;
  auto file = DamagedFile::Open(input_path, &why);
  if (!file) {
    ShowCriticalError(env.sink, 5);
    env.trace.Checkpoint(7);
    EndUnreadableRun(env, why);
    return;
  }
  const bool completed = RunPipelineGuarded(job, *file, RunStandardPipeline);
  env.workspace.Delete();
  ReportPipelineEnd(env, job, completed, job.results.declined());
}

}  // namespace vlx
