#pragma once

#include <string>

#include "cli/run_report.h"

namespace vlx::cli {

// True when the fast run's presentation is the user's own, checked and opened (or
// checked, on a machine without an office), with at least one slide.
bool FastRunIsWhole(const RunRecord& fast);

// Auto mode hands over one result in one folder. The standard run was made in a folder
// inside the fast run's; the better of the two (by the check and the slide count) keeps
// its files, the other's presentation and thumbnails go, and a standard winner's files
// move up into the fast run's folder (its nested folder is removed). Both records are
// updated to the paths that remain. Returns the index (0 fast, 1 standard) of the kept one.
int KeepBetterRun(RunRecord& fast, RunRecord& standard);

// How a run recovered its presentation, for the summary line.
std::string HowRecovered(const RunRecord& run);

}  // namespace vlx::cli
