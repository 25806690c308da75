#pragma once

// Everything a stage needs for one run in a test: a workspace in a fresh folder, a
// recording sink and view, the stub picture toolkit, the scripted office and a trace
// file that is switched on.

#include <string>
#include <vector>

#include "automation/testing/scripted_office.h"
#include "automation/testing/small_jpeg.h"
#include "automation/testing/stub_image_toolkit.h"
#include "engine/job/recovery_job.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

struct StageRun {
  TempDir dir;
  RecordingSink sink;
  TraceLog trace{dir.File("trace.log"), true};
  StopFlag stop{false};
  Workspace workspace = Workspace::At(dir.File("w"));
  RecordingView view;
  StubImageToolkit images;
  ScriptedOffice office;
  RunEnvironment env{sink,   trace,   stop,    workspace,  view,
                     images, &office, nullptr, dir.path(), "Rec"};
  RecoveryJob job{env};

  StageRun() { workspace.Create(); }

  std::string W(const std::string& name) const { return workspace.File(name); }

  // The checkpoint numbers written to the trace file, in order.
  std::vector<int> Checkpoints() const {
    std::vector<int> numbers;
    std::string ascii;
    const auto bytes = ReadAll(trace.path());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
    size_t at = 0;
    while ((at = ascii.find("SUCC ", at)) != std::string::npos) {
      numbers.push_back(std::stoi(ascii.substr(at + 5)));
      at += 5;
    }
    return numbers;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : sink.messages) texts.push_back(m.text);
    return texts;
  }
};

}  // namespace vlx::testing
