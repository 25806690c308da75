#pragma once

// Everything a stage needs for one run in a test: a fresh folder with the workspace
// "w/", a recording sink and view, a picture toolkit, the scripted office, a trace file,
// and the damaged file written from a byte image.

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/testing/scripted_office.h"
#include "automation/testing/stub_image_toolkit.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "tests/support/record_image.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

struct TestRunOptions {
  bool trace_on = true;
  bool with_office = true;
  std::string output_folder = "out/";  // inside the run's folder; "" = the folder itself
};

template <typename Images = StubImageToolkit>
struct BasicTestRun {
  explicit BasicTestRun(const TestRunOptions& options = {})
      : trace(dir.File("trace.log"), options.trace_on),
        env{sink,      trace,
            stop,      workspace,
            view,      images,
            templates, options.with_office ? &office : nullptr,
            nullptr,   dir.File(options.output_folder),
            "Rec"} {
    workspace.Create();
  }

  std::string W(const std::string& name) const { return workspace.File(name); }
  bool Exists(const std::string& name) const { return ::access(W(name).c_str(), F_OK) == 0; }
  Bytes ReadWorkspaceFile(const std::string& name) const { return ReadAll(W(name)); }
  std::unique_ptr<DamagedFile> Damaged(const Bytes& bytes) {
    return DamagedFile::Open(dir.Write("damaged.ppt", bytes));
  }

  // The checkpoint numbers written to the trace file (UTF-16LE), in order.
  std::vector<int> Checkpoints() const {
    std::string ascii;
    const auto bytes = ReadAll(trace.path());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
    std::vector<int> numbers;
    for (size_t at = 0; (at = ascii.find("SUCC ", at)) != std::string::npos; at += 5)
      numbers.push_back(std::stoi(ascii.substr(at + 5)));
    return numbers;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : sink.messages) texts.push_back(m.text);
    return texts;
  }

  TempDir dir;
  RecordingSink sink;
  TraceLog trace;
  StopFlag stop{false};
  Workspace workspace = Workspace::At(dir.File("w"));
  RecordingView view;
  Images images;
  TemplateRecords templates = PristineTemplates();
  ScriptedOffice office;
  RunEnvironment env;
  RecoveryJob job{env};
};

using TestRun = BasicTestRun<>;

}  // namespace vlx::testing
