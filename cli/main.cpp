// vlxrecover: the command-line front end of the recovery engine.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console_sink.h"
#include "cli/file_recovery.h"
#include "cli/master_chooser.h"
#include "cli/run_report.h"
#include "cli/stop_signal.h"
#include "cli/tool_backends.h"
#include "cli/tool_version.h"
#include "engine/job/leftover_sweep.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"

namespace {

using namespace vlx;
using namespace vlx::cli;

// The folder the runs' output folders are made in: absolute (the office resolves paths
// on its own), created when missing, ending in '/'.
bool PrepareBaseFolder(const std::string& requested, std::string* base, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path folder = requested.empty() ? fs::current_path(ec) : fs::path(requested);
  if (!ec) folder = fs::absolute(folder, ec);
  if (!ec && !fs::exists(folder, ec)) fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec) || ::access(folder.c_str(), W_OK | X_OK) != 0) {
    *error = "cannot use the output folder " + folder.string() +
             (ec ? ": " + ec.message() : std::string(": not a writable folder"));
    return false;
  }
  *base = folder.lexically_normal().string();
  if (base->empty() || base->back() != '/') base->push_back('/');
  return true;
}

// Whether two paths name one file (same device and inode); false when either is missing.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kToolName, why.c_str(), kToolName);
  return kExitUnusable;
}

int Run(const CommandLine& line) {
  std::string base;
  std::string why;
  if (!PrepareBaseFolder(line.output_folder, &base, &why)) return Usage(why);
  // The trace file is written to (and an old one removed): never one of the inputs.
  for (const std::string& input : line.inputs) {
    if (line.trace && SameFile(*line.trace, input))
      return Usage("the trace file " + *line.trace + " is the input " + input);
  }

  ConsoleSink sink(stderr, ::isatty(STDERR_FILENO) == 1);
  TraceLog trace(line.trace.value_or(TraceLog::DefaultPath()), line.trace.has_value());
  if (trace.enabled()) trace.Remove();
  // Runs of this user that were killed left their workspaces; nobody else removes them.
  SweepDeadRunWorkspaces(Workspace::SystemTempPath());
  SweepDeadOfficeLeftovers();
  Workspace workspace = Workspace::Fresh();
  StopFlag stop{false};
  InstallStopSignal(stop, [workspace] {
    // The run's threads go on writing into the workspace until the process ends.
    workspace.DeleteInUse();
    EndOfficesAtOnce();
  });
  // A reader that goes away (vlxrecover ... | head) must not kill a run half-way.
  ::signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<ImageToolkit> images = MakeImageToolkit();
  std::unique_ptr<OfficeBackend> office;
  if (!line.no_office) {
    office = MakeOfficeBackend([&sink](const std::string& text) { sink.PrintLine(text); });
  }
  if (line.no_office || !office) sink.ExpectNoOffice();
  MasterChooser chooser(line.master, line.list_masters);

  TemplateRecords templates = PristineTemplates();
  ToolServices services{sink, trace, stop, workspace, *images, templates};
  services.office = office ? &office->server() : nullptr;
  services.master_chooser = &chooser;

  std::vector<FileReport> files;
  for (const std::string& input : line.inputs) {
    if (stop.load()) break;
    files.push_back(RecoverFile(line, base, input, services));
    for (RunRecord& run : files.back().runs) {
      chooser.Report(run, line.json ? nullptr : stdout);
      if (!line.json && !run.output_folder.empty()) std::printf("%s\n", run.output_folder.c_str());
    }
  }
  // A stop between two files leaves the rest undone: the call as a whole was stopped.
  const int status = stop.load() ? kExitStopped : CombinedExitStatus(files);
  if (line.json) std::fputs(ReportJson(files, status).c_str(), stdout);
  std::fflush(stdout);
  workspace.Delete();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto line = ParseCommandLine(args, &why);
  if (!line) return Usage(why);
  if (line->help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (line->version) {
    std::printf("%s %s\n%s", kToolName, ToolVersion(), BackendsText().c_str());
    return 0;
  }
  return Run(*line);
}
