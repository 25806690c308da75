#include "engine/run/stage_ahead.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>

#include "tests/stages/stage_run.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::StageRun;

// The trace file's text, UTF-16LE read back as ASCII.
std::string TraceText(const StageRun& run) {
  std::string ascii;
  const auto bytes = ReadAll(run.trace.path());
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
  return ascii;
}

TEST(StageAheadTest, ItsReportsAndTraceFollowWhatTheRunToldMeanwhileInTheirOwnOrder) {
  StageRun run;
  std::promise<void> run_logged;
  std::shared_future<void> logged = run_logged.get_future().share();
  StageAhead ahead(run.job, [&](RecoveryJob& job) {
    logged.wait();  // the run reports first, while the stage is under way
    job.sink().SetStatus("Stage...");
    for (int p = 0; p <= 100; ++p) job.sink().SetProgress(p);
    job.sink().AppendLog("stage line\r\n");
    job.results.Report(SlideItem(ResultList::kSlides, "Slide 1", {}, 0));
    job.trace().Trace("stage trace\r\n");
    job.sink().SetProgress(7);
  });
  ASSERT_TRUE(ahead.Started());
  run.sink.AppendLog("run line\r\n");
  run.trace.Trace("run trace\r\n");
  run_logged.set_value();
  ahead.Join();

  EXPECT_EQ(run.sink.log, "run line\r\nstage line\r\n");
  ASSERT_EQ(run.sink.statuses, std::vector<std::string>{"Stage..."});
  // A hundred updates in a row reach the sink as their last one.
  EXPECT_EQ(run.sink.progress_calls, 2);
  EXPECT_EQ(run.sink.last_progress, 7);
  ASSERT_EQ(run.view.items.size(), 1u);
  EXPECT_EQ(run.view.items[0].label, "Slide 1");
  EXPECT_EQ(TraceText(run), "run trace\r\nstage trace\r\n");
}

TEST(StageAheadTest, HeldMessageIsAnsweredOkAndShownOnlyWhenPassedOn) {
  StageRun run;
  int answer = 0;
  StageAhead ahead(run.job, [&](RecoveryJob& job) {
    answer = job.sink().ShowMessage(MessageOwner::kView, "held", "caption", kStyleWarning);
  });
  ahead.Drop();
  EXPECT_EQ(answer, kAnswerOk);
  EXPECT_TRUE(run.sink.messages.empty()) << "a dropped stage shows nothing";

  StageAhead shown(run.job, [&](RecoveryJob& job) {
    job.sink().ShowMessage(MessageOwner::kView, "held", "caption", kStyleWarning);
  });
  EXPECT_TRUE(run.sink.messages.empty()) << "held until passed on";
  shown.Join();
  EXPECT_TRUE(run.sink.HasMessage("held"));
}

TEST(StageAheadTest, WhatEscapesTheStageIsRethrownAtJoinAfterItsReports) {
  StageRun run;
  StageAhead ahead(run.job, [](RecoveryJob& job) {
    job.sink().AppendLog("before the failure\r\n");
    throw std::runtime_error("read failed");
  });
  EXPECT_THROW(ahead.Join(), std::runtime_error);
  EXPECT_EQ(run.sink.log, "before the failure\r\n");
  EXPECT_NO_THROW(ahead.Join()) << "joined once";
}

TEST(StageAheadTest, SharesTheRunsWorkspaceStopAndOfficeRestart) {
  StageRun run;
  run.stop = true;
  bool saw_stop = false;
  std::string workspace;
  StageAhead ahead(run.job, [&](RecoveryJob& job) {
    saw_stop = job.StopRequested();
    workspace = job.workspace().path();
    job.office_restarted = true;
  });
  ahead.Join();
  EXPECT_TRUE(saw_stop);
  EXPECT_EQ(workspace, run.workspace.path());
  EXPECT_TRUE(run.job.office_restarted) << "a second office fault is not recovered either";
}

TEST(StageAheadTest, DoesNotStartWhenTheWorkspaceIsNotOurs) {
  StageRun run;
  run.workspace.Delete();
  ASSERT_EQ(::symlink(run.dir.path().c_str(),
                      run.workspace.path().substr(0, run.workspace.path().size() - 1).c_str()),
            0);
  bool ran = false;
  StageAhead ahead(run.job, [&](RecoveryJob&) { ran = true; });
  EXPECT_FALSE(ahead.Started());
  ahead.Join();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace vlx
