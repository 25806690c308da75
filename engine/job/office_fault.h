#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vlx {

// The faults of the office during a run (it crashed, stopped answering and was ended,
// or could not be started), noted by the office backend where it sees them, so that
// the run reports what was lost and cannot end as a whole success. A stage that
// restarts the office after a fault and redoes all the work the fault cut short notes
// the fault as recovered; a fault that is not recovered makes the run partial.
// One run at a time per process; calls may come from any thread.

// Counts a fault; keeps text ("the office crashed") unless an earlier fault is kept.
void NoteOfficeFault(const std::string& text);

// The faults noted since the last TakeOfficeFault.
int OfficeFaultCount();

// A stage restarted the office after the newest fault and redid what it cut short.
void NoteOfficeFaultRecovered(const std::string& text);

// A stage says what a fault cost it ("3 data slides not rendered").
void NoteOfficeLoss(const std::string& text);

// A stage lost one more item of a kind to a fault; the losses read "<count> <what>"
// ("4 master-slide trials not previewed").
void CountOfficeLoss(const std::string& what);

// What the run's faults came to, for its log.
struct OfficeFaultSummary {
  std::string first;                   // the first fault
  bool lost = false;                   // a fault was not recovered: the result is partial
  std::vector<std::string> recovered;  // what the restarts redid
  std::vector<std::string> losses;     // what the stages could not redo
};

// The summary when a fault was noted; forgets everything.
std::optional<OfficeFaultSummary> TakeOfficeFaults();

// The first fault when one was not recovered (the run's result is partial); forgets
// everything.
std::optional<std::string> TakeOfficeFault();

}  // namespace vlx
