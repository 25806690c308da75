#pragma once

// Runs the built vlxrecover on a set of inputs in a sealed-off place (its own current
// folder and temporary folder) and reads back its --json report.

#include <string>
#include <vector>

namespace vlx::e2e {

// One run of one mode on one input, as the report lists it.
struct ReportedRun {
  std::string input;
  int file_status = -1;  // the input's exit status in the report
  std::string error;     // why the input was refused, when it was
  std::string mode;      // empty when the input got no run
  std::string output_folder;
  std::string saved_presentation;  // empty when none was saved
  int slides = 0;
  int data_slides = 0;
  std::vector<std::string> picture_files;
  std::vector<std::string> critical_errors;
  bool stopped = false;
  int missing_thumbnails = 0;  // listed slides and data slides without a JPEG file
};

struct ToolRun {
  int status = -1;     // the shell's status: 124 timed out, >128 killed by a signal
  std::string report;  // the JSON text
  bool report_read = false;
  std::vector<ReportedRun> runs;
  std::string messages;  // the tool's stderr
};

struct ToolPlace {
  std::string current_folder;  // the tool's working folder
  std::string temp_folder;     // its TMPDIR
  std::string output_folder;   // --output
  std::string scratch_folder;  // receives the report and the messages for a moment
};

// vlxrecover --json --mode MODE --output ... INPUTS, killed after time_limit_s seconds.
ToolRun RunRecoveryTool(const std::string& mode, const std::vector<std::string>& inputs,
                        const ToolPlace& place, int time_limit_s);

// Every file below a folder (paths relative to it), sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

}  // namespace vlx::e2e
