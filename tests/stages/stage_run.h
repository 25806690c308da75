#pragma once

// Everything a stage needs for one run in a test, with the output folder being the
// run's own folder.

#include "automation/testing/small_jpeg.h"
#include "tests/support/test_run.h"

namespace vlx::testing {

struct StageRun : TestRun {
  StageRun() : TestRun(TestRunOptions{.output_folder = ""}) {}
};

}  // namespace vlx::testing
