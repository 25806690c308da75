#include "automation/libreoffice/office_processes.h"

#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_process_table.h"
#include "engine/job/messages.h"

namespace vlx {

bool CheckPowerPointRunning(ProgressSink& sink) {
  if (lo::FindOwnOfficeProcesses().empty()) return true;
  sink.ShowMainWindowMaximised();
  const int answer =
      sink.ShowMessage(MessageOwner::kView,
                       "PowerPoint event is running , do you want to close it and proceed further ",
                       kMessageCaption, kStyleYesNoWarning);
  if (answer != kAnswerYes) return false;
  lo::EndOwnOfficeProcesses();
  return true;
}

void TerminatePowerPoint() {
  lo::EndOwnOfficeProcesses();
}

}  // namespace vlx
