#include "engine/office/office_restart.h"

#include "engine/job/office_fault.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"

namespace vlx {

int OfficeFaultMark() {
  return OfficeFaultCount();
}

bool OfficeFailedSince(int mark) {
  return OfficeFaultCount() > mark;
}

std::shared_ptr<office::Application> RestartFailedOffice(RecoveryJob& job) {
  if (job.office_restarted) return nullptr;
  job.office_restarted = true;
  job.sink().AppendLog("The office failed; restarting it once.\r\n");
  std::shared_ptr<office::Application> app = StartOffice(job);
  if (!app) job.sink().AppendLog("The office could not be restarted.\r\n");
  return app;
}

void NoteRedoneAfterRestart(const std::string& what) {
  NoteOfficeFaultRecovered(what);
}

}  // namespace vlx
