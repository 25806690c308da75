#pragma once

// A fast-mode run in a test: the damaged file is a byte image with record headers put
// at chosen offsets, written to disk and opened the way the driver opens it.

#include <sys/stat.h>

#include "tests/support/test_run.h"

namespace vlx::testing {

inline void PutDocumentContainer(Bytes& bytes, size_t at, uint32_t length = 100) {
  PutHeader(bytes, at, 0x000F, 0x03E8, length);
}
inline void PutCurrentUserAtom(Bytes& bytes, size_t at) {
  PutHeader(bytes, at, 0x0000, 0x0FF6, 20);
}
inline void PutPictureRecord(Bytes& bytes, size_t at, uint16_t ver_inst = 0x46A0,
                             uint32_t length = 100) {
  PutHeader(bytes, at, ver_inst, 0xF01D, length);
}

// Workspace "w/", output folder "out/", no trace.
struct CarvingRun : TestRun {
  CarvingRun() : TestRun(TestRunOptions{.trace_on = false}) {
    ::mkdir(env.output_folder.c_str(), 0700);
  }
  Bytes Carved(const std::string& name) const { return ReadWorkspaceFile(name); }
};

// Sets the run's stop flag once the percentage reaches half way.
class StoppingSink : public RecordingSink {
 public:
  explicit StoppingSink(StopFlag& stop) : stop_(stop) {}
  void SetProgress(int percent) override {
    RecordingSink::SetProgress(percent);
    if (percent >= 50) stop_ = true;
  }

 private:
  StopFlag& stop_;
};

struct StoppingRun : CarvingRun {
  StoppingSink stopping{stop};
  RunEnvironment stopping_env{stopping,  trace,   stop,    workspace,         view, images,
                              templates, &office, nullptr, env.output_folder, "Rec"};
  RecoveryJob stopping_job{stopping_env};
};

}  // namespace vlx::testing
