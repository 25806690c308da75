#include "engine/office/held_office.h"

#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"

namespace vlx {

void HoldPowerPoint(RecoveryJob& job) {
  constexpr int kErrorNoOffice = 33;
  job.held_application = StartOffice(job);
  if (!job.held_application) ShowCriticalError(job.sink(), kErrorNoOffice);
}

}  // namespace vlx
