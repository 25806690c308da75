#include "cli/file_recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "cli/auto_result.h"
#include "cli/census_recording_dialog.h"
#include "cli/console_view.h"
#include "engine/format/workspace_files.h"
#include "engine/job/damaged_file.h"
#include "engine/run/recovery_driver.h"
#include "engine/salvage/shared_salvage_plans.h"

namespace vlx::cli {
namespace {

bool NonEmptyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// The input's name without its folder and last extension.
std::string InputStem(const std::string& input) {
  return std::filesystem::path(input).stem().string();
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
// The runs of one file share its salvage plans: the file is planned once.
RunRecord RunMode(RecoveryMode mode, const CommandLine& line, const std::string& base,
                  const std::string& input, ToolServices& services,
                  const std::shared_ptr<salvage::SharedSalvagePlans>& plans) {
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
                     OutputFolderPrefix(input, line.prefix)};
  env.salvage_plans = plans;
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
  // Only what the run itself says it saved counts, never a file a failed save left.
  if (!env.output_folder.empty() && env.saved_presentation == saved && NonEmptyFile(saved))
    record.saved_presentation = saved;
  record.checked_by_office = services.office != nullptr;
  record.slides = view.slides();
  record.data_slides = view.data_slides();
  record.pictures = view.pictures();
  record.texts = view.texts();
  record.critical_errors = services.sink.TakeCriticalErrors();
  record.stopped = services.stop.load();
  record.failure = env.failure;
  record.census = census.TakeCensus();
  record.recovery = view.outcome();
  return record;
}

std::string RunSummary(const RunRecord& run) {
  std::string text = "Output folder: " + run.output_folder + "\n";
  text +=
      run.saved_presentation.empty() ? "No presentation saved" : "Saved " + run.saved_presentation;
  text += "; slides: " + std::to_string(run.slides.size()) +
          ", data slides: " + std::to_string(run.data_slides.size()) +
          ", pictures: " + std::to_string(run.pictures.size()) +
          ", slide texts: " + std::to_string(run.texts.size());
  if (run.stopped) text += "; stopped by the user";
  if (!run.failure.empty()) text += "; the run failed: " + run.failure;
  for (const TextEntry& t : run.texts) text += "\n  " + t.label + ": " + t.file;
  text += "\nRecovered by: " + HowRecovered(run);
  return text;
}

}  // namespace

std::string OutputFolderPrefix(const std::string& input, const std::string& prefix) {
  const std::string stem = InputStem(input);
  return stem.empty() ? prefix : stem + "." + prefix;
}

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
  const auto plans = std::make_shared<salvage::SharedSalvagePlans>();
  report.runs.push_back(RunMode(first, line, base_folder, input, services, plans));
  services.sink.PrintLine(RunSummary(report.runs.back()));
  // Auto: a fast result that is not the whole presentation is followed by a standard
  // run; one result is handed over, in the fast run's folder.
  if (line.mode == RecoveryMode::kAuto && !services.stop.load() &&
      !FastRunIsWhole(report.runs.back()) && !report.runs.back().output_folder.empty()) {
    const std::string nested = report.runs.back().output_folder;
    report.runs.push_back(RunMode(RecoveryMode::kStandard, line, nested, input, services, plans));
    // Only the kept result is summed up: the other's files are gone.
    const int kept = KeepBetterRun(report.runs[0], report.runs[1]);
    services.sink.PrintLine(std::string("Kept the ") + (kept == 0 ? "fast" : "standard") +
                            " result: " + RunSummary(report.runs[kept]));
  }
  bool recovered = false;
  bool stopped = false;
  bool failed = false;
  bool saved = false;
  for (const RunRecord& run : report.runs) {
    recovered = recovered || run.RecoveredSomething() || (line.list_masters && run.census);
    stopped = stopped || run.stopped;
    failed = failed || !run.failure.empty();
    saved = saved || !run.saved_presentation.empty();
    if (report.error.empty() && !run.failure.empty()) report.error = run.failure;
  }
  // Auto mode hands over a presentation or says plainly that there is none.
  const bool auto_without_result = line.mode == RecoveryMode::kAuto && !stopped && !saved;
  // A folder that got nothing is not left behind (the innermost first).
  // Auto mode may have handed both runs the same folder.
  for (auto run = report.runs.rbegin(); run != report.runs.rend(); ++run) {
    const std::string folder = run->output_folder;
    if (folder.empty() || ::rmdir(folder.c_str()) != 0) continue;
    for (RunRecord& other : report.runs) {
      if (other.output_folder == folder) other.output_folder.clear();
    }
  }
  if (auto_without_result) {
    const std::string& folder = report.runs.front().output_folder;
    services.sink.PrintLine("vlxrecover: no presentation could be recovered from " + input +
                            " that opens" +
                            (folder.empty() ? std::string("; nothing recovered")
                                            : "; only the pictures found are in " + folder));
  } else if (!recovered && !stopped) {
    services.sink.PrintLine("vlxrecover: " + input + ": nothing recovered" +
                            (report.runs.empty() || report.runs.back().saved_presentation.empty()
                                 ? std::string(" (no presentation was saved)")
                                 : std::string(" (the office opens no slide of what was saved)")));
  }
  report.exit_status = stopped                             ? kExitStopped
                       : failed                            ? kExitIncomplete
                       : recovered && !auto_without_result ? kExitRecovered
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
