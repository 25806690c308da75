#include "engine/run/recovery_driver.h"

#include <exception>
#include <functional>
#include <optional>

#include "engine/fast/salvaged_picture_streams.h"
#include "engine/job/damaged_file.h"
#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/job/output_folder.h"
#include "engine/job/write_failure.h"
#include "engine/office/office_picture_drawing.h"
#include "engine/run/fast_pipeline.h"
#include "engine/run/guarded_pipeline.h"
#include "engine/run/stage_ahead.h"
#include "engine/run/standard_pipeline.h"
#include "engine/scan/encryption_check.h"
#include "engine/scan/extract_images.h"

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
  env.failure = "cannot use the temporary folder " + why;
  return false;
}

// The end of a run in the log. A run that a failure ended early says so instead of
// claiming completion (its reason is already in the log).
void ReportEnd(RunEnvironment& env) {
  env.sink.AppendLog(env.stop.load()        ? "User aborted repairing process"
                     : !env.failure.empty() ? "Repairing ended early"
                                            : "Repairing completed");
  env.sink.ShowRunEnded();
}

// The end of a run that got as far as its pipeline. Completion is claimed only for a run
// that saved its presentation; any other says so in the log and in a message the user
// sees, unless the run says it in a message of its own (advised) or the user stopped it.
void ReportPipelineEnd(RunEnvironment& env, const RecoveryJob& job, bool advised) {
  env.saved_presentation = job.results.saved_presentation();
  if (env.stop.load() || !env.saved_presentation.empty()) {
    ReportEnd(env);
    return;
  }
  env.sink.AppendLog(env.failure.empty() ? "Repairing ended without a saved presentation"
                                         : "Repairing ended early");
  env.sink.ShowRunEnded();
  if (advised) return;
  env.sink.ShowMessage(MessageOwner::kView,
                       kNothingSavedMessage + std::string("\n") + env.output_folder,
                       kMessageCaption, kStyleWarning);
}

// A write that failed anywhere in the run (the disk filled up, a folder could not be
// made) fails the run, whatever the stage that met it did next.
void CollectWriteFailure(RunEnvironment& env) {
  const std::optional<std::string> failure = TakeWriteFailure();
  if (!failure) return;
  env.sink.AppendLog("Writing failed: " + *failure + "\r\n");
  if (env.failure.empty()) env.failure = "writing failed: " + *failure;
}

// An office that crashed, hung or could not be started took the slides it had not
// rendered yet with it: the run says so and counts as partial. A fault the run
// recovered from (the restarted office redid the work) is told, and costs nothing.
void CollectOfficeFault(RunEnvironment& env) {
  const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
  if (!faults) return;
  for (const std::string& redone : faults->recovered)
    env.sink.AppendLog("The office was restarted after it failed (" + faults->first + "); " +
                       redone + ".\r\n");
  if (!faults->lost) return;
  std::string lost = "The slides it had not rendered yet are missing";
  if (!faults->losses.empty()) {
    lost = "Lost: ";
    for (size_t i = 0; i < faults->losses.size(); ++i)
      lost += (i > 0 ? "; " : "") + faults->losses[i];
  }
  const std::string text = "The office failed during the run: " + faults->first + ". " + lost +
                           "; the result is partial.";
  env.sink.AppendLog(text + "\r\n");
  if (env.failure.empty()) env.failure = faults->first;
}

// Claims the output folder; false (the run ended and reported) when none can be made.
bool ClaimOutputFolder(RunEnvironment& env) {
  std::string why;
  const std::string folder = CreateOutputFolder(env.output_folder, env.folder_prefix, &why);
  if (folder.empty()) {
    TakeWriteFailure();
    env.failure = "cannot create the output folder " + why;
    env.sink.AppendLog("Cannot create the output folder " + why + "\r\n");
    env.output_folder.clear();
    ReportEnd(env);
    env.sink.ShowMessage(MessageOwner::kView, "Cannot create the output folder " + why,
                         kMessageCaption, kStyleWarning);
    return false;
  }
  env.output_folder = folder;
  return true;
}

// A mode's work on the damaged file once it is open. ahead, when set, is the part that
// reports nothing the pictures' pass needs: it starts on a thread of its own as the
// pictures are extracted (StageAhead), and its reports follow theirs. rest runs after.
struct ModeWork {
  Pipeline ahead;
  Pipeline rest;
};

// The part of a run both modes share: the heading, the pictures, the damaged file
// opened, the mode's work, the workspace removed, the end reported. False when the
// damaged file could not be opened. advised: the mode tells a run that saved nothing
// in a message of its own.
bool DriveRun(RecoveryJob& job, const std::string& input_path, int open_error, const ModeWork& work,
              const std::function<bool()>& advised) {
  RunEnvironment& env = job.env;
  if (!WorkspaceUsable(env)) {
    ReportEnd(env);
    return false;
  }
  std::string why;
  auto file = DamagedFile::Open(input_path, &why);
  const bool encrypted = file && LooksEncrypted(*file);
  std::optional<StageAhead> ahead;
  if (file && work.ahead)
    ahead.emplace(job, [&](RecoveryJob& ahead_job) { work.ahead(ahead_job, *file); });
  bool opened = false;
  const bool shared = ahead && ahead->Started();
  std::string failure =
      RunGuarded(job, [&] { PrepareJob(job, input_path, env.output_folder, shared); });
  if (open_error == 5) env.trace.Checkpoint(6);
  if (failure.empty()) {
    if (!file) {
      ShowCriticalError(env.sink, open_error);
      if (open_error == 5) env.trace.Checkpoint(7);
      env.sink.AppendLog("Cannot open " + why + "\r\n");
      failure = "cannot open " + why;
    } else {
      opened = true;
      if (encrypted) {
        env.sink.AppendLog(kEncryptedNotice);
        env.sink.ShowMessage(MessageOwner::kView, kEncryptedNotice, kMessageCaption, kStyleWarning);
      }
      failure = RunGuarded(job, [&] {
        if (shared) {
          ahead->Join();
        } else if (work.ahead) {
          work.ahead(job, *file);
        }
        work.rest(job, *file);
      });
    }
  }
  // A run that failed before the ahead part's turn drops what it reported.
  if (ahead) ahead->Drop();
  env.workspace.Delete();
  if (!failure.empty()) env.failure = failure;
  CollectWriteFailure(env);
  CollectOfficeFault(env);
  if (opened) {
    ReportPipelineEnd(env, job, job.results.declined() || advised());
  } else {
    ReportEnd(env);
  }
  return opened;
}

}  // namespace

void PrepareJob(RecoveryJob& job, const std::string& input_path, const std::string& output_folder,
                bool workspace_shared) {
  job.sink().ReplaceLog("\t\tRepairing file << " + input_path + " >>\r\n");
  // The pictures stream put back together from scattered sectors gives the pictures
  // the file's own order of bytes broke.
  SalvagedPictureStreams streams(job);
  OfficePictureDrawing drawing(job);
  ExtractImages(job, input_path, output_folder,
                {.further = &streams, .drawing = &drawing, .workspace_shared = workspace_shared});
}

void DriveFastRecovery(RunEnvironment& env, const std::string& input_path) {
  env.failure.clear();
  env.saved_presentation.clear();
  TakeWriteFailure();  // an earlier run's failure is not this run's
  TakeOfficeFault();
  if (!ClaimOutputFolder(env)) return;
  RecoveryJob job(env);
  const auto lists_no_slide = [&job] { return job.results.Count(ResultList::kSlides) == 0; };
  // The carving, the check and the office's open and export of the assembled file run
  // while the pictures are extracted.
  FastAssembly assembly;
  const ModeWork work{
      [&](RecoveryJob& ahead_job, DamagedFile& file) {
        assembly = AssembleFastDeck(ahead_job, file);
      },
      [&](RecoveryJob& run_job, DamagedFile&) { FinishFastDeck(run_job, assembly); }};
  if (!DriveRun(job, input_path, 4, work, lists_no_slide)) return;
  if (job.results.Count(ResultList::kSlides) == 0) {
    env.sink.ShowMainWindowMaximised();
    env.sink.ShowMessage(MessageOwner::kView, kAdviceStandardMode, kMessageCaption, kStyleWarning);
  }
}

void DriveStandardRecovery(RunEnvironment& env, const std::string& input_path) {
  env.failure.clear();
  env.saved_presentation.clear();
  TakeWriteFailure();
  TakeOfficeFault();
  env.trace.Checkpoint(3);
  if (!ClaimOutputFolder(env)) return;
  env.trace.Checkpoint(4);
  env.trace.Checkpoint(5);
  RecoveryJob job(env);
  DriveRun(job, input_path, 5, ModeWork{{}, RunStandardPipeline}, [] { return false; });
}

void DriveRecovery(RunEnvironment& env, RecoveryMode mode, const std::string& input_path) {
  if (mode == RecoveryMode::kStandard) {
    DriveStandardRecovery(env, input_path);
  } else {
    DriveFastRecovery(env, input_path);
  }
}

}  // namespace vlx
