#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/console_sink.h"
#include "cli/run_report.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx::cli {

// Exit statuses of the tool.
inline constexpr int kExitRecovered = 0;
inline constexpr int kExitNothingRecovered = 1;
inline constexpr int kExitUnusable = 2;
// A run failed part-way (a write, a read of the input, or the office failed): what it
// saved, if anything, is partial.
inline constexpr int kExitIncomplete = 3;
inline constexpr int kExitStopped = 130;

// What every run of one tool call shares.
struct ToolServices {
  ConsoleSink& sink;
  TraceLog& trace;
  StopFlag& stop;
  Workspace& workspace;
  ImageToolkit& images;
  TemplateRecords& templates;
  office::AutomationServer* office = nullptr;   // nullptr: no office
  MasterSlideDialog* master_chooser = nullptr;  // nullptr: standard runs stop at the choice
};

// The folder-name prefix of an input's runs: the input's name, a full stop, the prefix
// ("talk.ppt" and "Rec" give "talk.Rec").
std::string OutputFolderPrefix(const std::string& input, const std::string& prefix);

// Recovers one input file in the line's mode, its output folder made in base_folder
// (absolute, ending in '/'). An input that cannot be read is refused with exit status 2.
FileReport RecoverFile(const CommandLine& line, const std::string& base_folder,
                       const std::string& input, ToolServices& services);

// The status of a whole call: the most serious of the files' statuses
// (stopped > unusable > incomplete > nothing recovered > recovered).
int CombinedExitStatus(const std::vector<FileReport>& files);

}  // namespace vlx::cli
