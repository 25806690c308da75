#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "engine/job/held_reports.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// A stage of a run started ahead of its turn, on a thread of its own, while the run's
// thread does the stages before it. It works with a job of its own: its reports and
// trace are held back (HeldReports). It shares the run's workspace (its files are named
// apart from the other stages'), stop flag, office, images and salvage plans. When its
// turn comes, Join waits for it and hands on what it reported, so the log reads as if
// it had run in its turn.
class StageAhead {
 public:
  using Stage = std::function<void(RecoveryJob&)>;

  // Starts stage; Started() is false when the run's workspace cannot be used (the
  // stage has not run: the caller runs it in its turn).
  StageAhead(RecoveryJob& run, Stage stage);
  // Waits for the stage (its reports dropped when Join was not called).
  ~StageAhead();
  StageAhead(const StageAhead&) = delete;
  StageAhead& operator=(const StageAhead&) = delete;

  bool Started() const { return job_ != nullptr; }

  // Waits for the stage, hands its reports and trace on to the run's, and rethrows what
  // escaped it. Once only.
  void Join();
  // Waits for the stage and drops its reports (the run failed before its turn).
  void Drop();

 private:
  void Wait();

  RecoveryJob& run_;
  HeldReports reports_;
  TraceLog trace_;
  RunEnvironment env_;
  std::unique_ptr<RecoveryJob> job_;
  std::exception_ptr escaped_;
  std::thread thread_;
  bool joined_ = false;
};

}  // namespace vlx
