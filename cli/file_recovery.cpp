#include "cli/file_recovery.h"

#include <sys/stat.h>

#include "cli/census_recording_dialog.h"
#include "cli/console_view.h"
#include "engine/format/workspace_files.h"
#include "engine/job/damaged_file.h"
#include "engine/run/recovery_driver.h"

namespace vlx::cli {
namespace {

bool NonEmptyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

int Severity(int status) {
  switch (status) {
    case kExitRecovered:
      return 0;
    case kExitNothingRecovered:
      return 1;
    case kExitIncomplete:
      return 2;
    case kExitUnusable:
      return 3;
    default:
      return 4;
  }
}

// One run of one mode, its folder made in base.
RunRecord RunMode(RecoveryMode mode, const CommandLine& line, const std::string& base,
                  const std::string& input, ToolServices& services) {
  ConsoleView view;
  CensusRecordingDialog census(services.master_chooser);
  RunEnvironment env{services.sink,
                     services.trace,
                     services.stop,
                     services.workspace,
                     view,
                     services.images,
                     services.templates,
                     services.office,
                     &census,
                     base,
                     line.prefix};
  view.Attach(&env);

  RunRecord record;
  record.mode = ModeName(mode);
  services.sink.PrintLine(std::string("Recovering ") + input + " in " + record.mode + " mode");
  if (mode == RecoveryMode::kFast) {
    DriveFastRecovery(env, input);
  } else {
    if (services.trace.enabled()) {
      services.trace.Trace(input + "\r\n");
      services.trace.Checkpoint(1);
    }
    DriveStandardRecovery(env, input);
  }
  record.output_folder = env.output_folder;
  const std::string saved =
      env.output_folder + (mode == RecoveryMode::kFast ? kFastResultName : kStandardResultName);
  if (!env.output_folder.empty() && NonEmptyFile(saved)) record.saved_presentation = saved;
  record.slides = view.slides();
  record.data_slides = view.data_slides();
  record.pictures = view.pictures();
  record.critical_errors = services.sink.TakeCriticalErrors();
  record.stopped = services.stop.load();
  record.failure = env.failure;
  record.census = census.TakeCensus();
  return record;
}

std::string RunSummary(const RunRecord& run) {
  std::string text = "Output folder: " + run.output_folder + "\n";
  text +=
      run.saved_presentation.empty() ? "No presentation saved" : "Saved " + run.saved_presentation;
  text += "; slides: " + std::to_string(run.slides.size()) +
          ", data slides: " + std::to_string(run.data_slides.size()) +
          ", pictures: " + std::to_string(run.pictures.size());
  if (run.stopped) text += "; stopped by the user";
  if (!run.failure.empty()) text += "; the run failed: " + run.failure;
  return text;
}

}  // namespace

FileReport RecoverFile(const CommandLine& line, const std::string& base_folder,
                       const std::string& input, ToolServices& services) {
  FileReport report;
  report.input = input;
  {
    std::string why;
    const std::unique_ptr<DamagedFile> file = DamagedFile::Open(input, &why);
    if (!file) {
      report.error = why;
      report.exit_status = kExitUnusable;
      services.sink.PrintLine("vlxrecover: cannot read " + why);
      return report;
    }
    // An empty file holds nothing to recover: no run, no empty output folder.
    if (file->GetLength() == 0) {
      report.error = input + ": the file is empty; there is nothing to recover";
      report.exit_status = kExitNothingRecovered;
      services.sink.PrintLine("vlxrecover: " + report.error);
      return report;
    }
  }
  const RecoveryMode first =
      line.mode == RecoveryMode::kStandard ? RecoveryMode::kStandard : RecoveryMode::kFast;
  report.runs.push_back(RunMode(first, line, base_folder, input, services));
  services.sink.PrintLine(RunSummary(report.runs.back()));
  // Auto: the fast mode advises the standard mode when it listed no slide; the standard
  // run follows in a folder inside the fast run's, as a second run would.
  if (line.mode == RecoveryMode::kAuto && !services.stop.load() &&
      report.runs.back().slides.empty() && !report.runs.back().output_folder.empty()) {
    const std::string nested = report.runs.back().output_folder;
    report.runs.push_back(RunMode(RecoveryMode::kStandard, line, nested, input, services));
    services.sink.PrintLine(RunSummary(report.runs.back()));
  }
  bool recovered = false;
  bool stopped = false;
  bool failed = false;
  for (const RunRecord& run : report.runs) {
    recovered = recovered || run.RecoveredSomething();
    stopped = stopped || run.stopped;
    failed = failed || !run.failure.empty();
    if (report.error.empty() && !run.failure.empty()) report.error = run.failure;
  }
  report.exit_status = stopped     ? kExitStopped
                       : failed    ? kExitIncomplete
                       : recovered ? kExitRecovered
                                   : kExitNothingRecovered;
  return report;
}

int CombinedExitStatus(const std::vector<FileReport>& files) {
  int status = kExitRecovered;
  for (const FileReport& file : files) {
    if (Severity(file.exit_status) > Severity(status)) status = file.exit_status;
  }
  return status;
}

}  // namespace vlx::cli
