#pragma once

// One scan in a fresh folder: a workspace, a recording sink and view, a trace file
// that is switched on, and the damaged file written from a byte image. No office.

#include "tests/support/test_run.h"

namespace vlx::testing {

struct ScanRun : TestRun {
  ScanRun() : TestRun(TestRunOptions{.with_office = false}) {}
};

}  // namespace vlx::testing
