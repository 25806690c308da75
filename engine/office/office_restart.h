#pragma once

// The run's one restart of an office that crashed or stopped answering. A stage notes
// the office's fault count before its calls; when a call fails and the count grew, the
// office itself failed (not the document), and the stage may ask for a fresh office
// once per run to redo what the fault cut short.

#include <memory>
#include <string>

#include "engine/office/office_api.h"

namespace vlx {

class RecoveryJob;

// The office's fault count now, to compare with after a failed call.
int OfficeFaultMark();

// Whether the office failed (crashed or was ended for not answering) since mark.
bool OfficeFailedSince(int mark);

// A fresh office in place of the one that failed, the first time in the run; logs
// "restarting the office". nullptr when the run has restarted one already or none
// starts (the fault then stands and the stage ends its part).
std::shared_ptr<office::Application> RestartFailedOffice(RecoveryJob& job);

// The stage redid its work on the restarted office: the fault cost nothing.
void NoteRedoneAfterRestart(const std::string& what);

}  // namespace vlx
