#include <gtest/gtest.h>

#include <stdexcept>

#include "automation/testing/stub_image_toolkit.h"
#include "engine/run/guarded_pipeline.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

class RunEndingTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  testing::RecordingSink sink_;
  TraceLog trace_{temp_.File("trace.log"), false};
  StopFlag stop_{false};
  Workspace workspace_ = Workspace::At(temp_.File("work"));
  testing::RecordingView view_;
  testing::StubImageToolkit images_;
  TemplateRecords templates_ = PristineTemplates();
  RunEnvironment env_{sink_,      trace_,  stop_,   workspace_,   view_, images_,
                      templates_, nullptr, nullptr, temp_.path(), "Rec"};
  RecoveryJob job_{env_};
  std::unique_ptr<DamagedFile> file_ = DamagedFile::Open(temp_.Write("input.ppt", {1, 2, 3}));
};

TEST_F(RunEndingTest, FailureEndsThePipelineWithItsReasonButIsNoStopRequest) {
  ASSERT_TRUE(file_);
  bool after_failure = false;
  const bool completed = RunPipelineGuarded(job_, *file_, [&](RecoveryJob&, DamagedFile&) {
    throw std::runtime_error("input/output error");
    after_failure = true;
  });
  EXPECT_FALSE(completed);
  EXPECT_FALSE(after_failure);
  EXPECT_EQ(sink_.log, "Reading the damaged file failed: input/output error\r\n");
  EXPECT_FALSE(stop_.load()) << "the user did not stop the run";
}

TEST_F(RunEndingTest, PipelineThatEndsNormallyIsCompleted) {
  ASSERT_TRUE(file_);
  int runs = 0;
  EXPECT_TRUE(RunPipelineGuarded(job_, *file_, [&](RecoveryJob&, DamagedFile&) { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(sink_.log, "");
}

}  // namespace
}  // namespace vlx
