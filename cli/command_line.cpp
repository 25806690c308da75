#include "cli/command_line.h"

#include <charconv>

#include "cli/tool_version.h"

namespace vlx::cli {
namespace {

bool ParseMode(const std::string& text, RecoveryMode* mode) {
  if (text == "fast")
    *mode = RecoveryMode::kFast;
  else if (text == "standard")
    *mode = RecoveryMode::kStandard;
  else if (text == "auto")
    *mode = RecoveryMode::kAuto;
  else
    return false;
  return true;
}

bool ParsePositive(const std::string& text, int* value) {
  int parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size() || parsed < 1) return false;
  *value = parsed;
  return true;
}

// A prefix becomes part of a folder name: no path separators, not "." or "..".
bool PrefixUsable(const std::string& prefix) {
  return prefix.find('/') == std::string::npos && prefix.find('\0') == std::string::npos &&
         prefix != "." && prefix != "..";
}

}  // namespace

const char* ModeName(RecoveryMode mode) {
  switch (mode) {
    case RecoveryMode::kFast:
      return "fast";
    case RecoveryMode::kStandard:
      return "standard";
    case RecoveryMode::kAuto:
      return "auto";
  }
  return "auto";
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error) {
  CommandLine line;
  auto fail = [&](const std::string& why) -> std::optional<CommandLine> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      line.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    // "--name=value" and "--name value" are both accepted for options with a value.
    std::string name = arg;
    std::optional<std::string> inline_value;
    if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto flag = [&](bool* target) -> bool {
      if (inline_value) return false;
      *target = true;
      return true;
    };
    if (name == "--help" || name == "-h") {
      if (!flag(&line.help)) return fail(name + " takes no value");
    } else if (name == "--version") {
      if (!flag(&line.version)) return fail(name + " takes no value");
    } else if (name == "--list-masters") {
      if (!flag(&line.list_masters)) return fail(name + " takes no value");
    } else if (name == "--no-office") {
      if (!flag(&line.no_office)) return fail(name + " takes no value");
    } else if (name == "--json") {
      if (!flag(&line.json)) return fail(name + " takes no value");
    } else if (name == "--mode") {
      const auto v = value();
      if (!v || !ParseMode(*v, &line.mode)) return fail("--mode takes fast, standard or auto");
    } else if (name == "--output" || name == "-o") {
      const auto v = value();
      if (!v || v->empty()) return fail(name + " takes a folder");
      line.output_folder = *v;
    } else if (name == "--prefix") {
      const auto v = value();
      if (!v || !PrefixUsable(*v)) return fail("--prefix takes a folder-name part without '/'");
      line.prefix = *v;
    } else if (name == "--master") {
      const auto v = value();
      if (!v || !ParsePositive(*v, &line.master)) return fail("--master takes a number from 1");
    } else if (name == "--trace") {
      const auto v = value();
      if (!v || v->empty()) return fail("--trace takes a file name");
      line.trace = *v;
    } else {
      return fail("unknown option " + arg);
    }
  }
  if (!line.help && !line.version && line.inputs.empty()) return fail("no input file given");
  return line;
}

std::string UsageText() {
  return std::string("Usage: ") + kToolName +
         " [OPTIONS] FILE...\n"
         "Recovers damaged PowerPoint 97-2003 presentations (.ppt, .pps, .pot).\n"
         "\n"
         "Each FILE gets a run of its own and an output folder of its own, named after it:\n"
         "NAME.PREFIX in the output folder (talk.Rec for talk.ppt), or 1NAME.PREFIX, ... when\n"
         "that name is taken; a folder that received nothing is removed. The folder receives\n"
         "the saved presentation (RecSlideIntigrated.ppt in fast mode, RecSlide.ppt in standard\n"
         "mode), the extracted pictures under Pictures/ and the thumbnails under Thumbnails/.\n"
         "In auto mode the better of the fast and the standard result is kept, alone in\n"
         "that folder. The damaged file itself is only read.\n"
         "\n"
         "Options:\n"
         "  --mode fast|standard|auto  fast: carve the streams and reassemble them;\n"
         "                             standard: rebuild from the records found;\n"
         "                             auto (default): fast, then standard when the fast mode\n"
         "                             recovered no slide\n"
         "  --output DIR               where the output folders are made (default: .)\n"
         "  --prefix TEXT              output folder name (default: Rec)\n"
         "  --master N                 standard mode: use the N-th master-slide candidate\n"
         "                             (default: 1)\n"
         "  --list-masters             standard mode: list the master-slide candidates with\n"
         "                             their preview pictures, then stop (nothing is rebuilt)\n"
         "  --trace FILE               write the diagnostic trace to FILE (default: none)\n"
         "  --no-office                never start an office suite; the presentation is saved\n"
         "                             as assembled or rebuilt, without slide thumbnails\n"
         "  --json                     print a report of every run as JSON on stdout\n"
         "  --version                  print the version and exit\n"
         "  --help                     print this help and exit\n"
         "\n"
         "Progress and messages go to stderr. Ctrl-C stops the current run cleanly.\n"
         "\n"
         "Exit status (the highest over all files): 0 something was recovered (or, with\n"
         "--list-masters, listed), 1 nothing could be recovered (no presentation saved, or\n"
         "none the office opens, and no picture), 2 bad usage or an input that cannot be read (2 "
         "GiB or more,\n"
         "missing, not a file), 130 stopped by Ctrl-C.\n";
}

}  // namespace vlx::cli
