#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace vlx::testing {

// The tool run as a user runs it: its own process, stdout and stderr to files, an
// environment of the test's choosing.
struct ToolResult {
  int exit_status = -1;  // 128 + signal when it was killed
  std::string out;
  std::string err;
};

struct ToolCall {
  std::vector<std::string> args;
  std::string working_folder;              // empty: the test's
  std::map<std::string, std::string> env;  // added to (or replacing in) the test's
  std::string capture_folder;              // where stdout/stderr files go
};

class ToolProcess {
 public:
  explicit ToolProcess(const ToolCall& call);
  ~ToolProcess();
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  pid_t pid() const { return pid_; }
  std::string ErrSoFar() const;
  void Signal(int signal) const;
  // Waits for the end of the process.
  ToolResult Wait();

 private:
  pid_t pid_ = -1;
  std::string out_path_, err_path_;
};

ToolResult RunTool(const ToolCall& call);

// A call kept inside the test's folder root (ending in '/', holding cwd/ and tmp/): run
// from root/cwd with TMPDIR=root/tmp and no trace log, stdout and stderr captured in
// root.
ToolCall IsolatedToolCall(const std::string& root, std::vector<std::string> args);

// Evaluates a Python expression over the JSON document d (parsed from json_text);
// returns its value printed by Python ("3", "True", "None", "abc").
std::string JsonQuery(const std::string& json_text, const std::string& expression);

// Every file below folder, as paths relative to it, sorted ("Rec/Pictures/Image1.png").
std::vector<std::string> FilesBelow(const std::string& folder);

}  // namespace vlx::testing
