#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/run/recovery_mode.h"

namespace vlx::cli {

// What the user asked for on the command line.
struct CommandLine {
  RecoveryMode mode = RecoveryMode::kAuto;
  std::string output_folder;  // empty: the current directory
  std::string prefix = "Rec";
  int master = 1;  // the N-th listed master-slide candidate
  bool list_masters = false;
  std::optional<std::string> trace;  // trace file; none: no trace is written
  bool no_office = false;
  bool json = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> inputs;
};

// Parses argv. On a usage error returns nullopt and puts the reason in *error.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error);

// The --help text.
std::string UsageText();

const char* ModeName(RecoveryMode mode);

}  // namespace vlx::cli
