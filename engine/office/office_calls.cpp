#include "engine/office/office_calls.h"

#include <exception>

#include "engine/job/recovery_job.h"

namespace vlx {

std::shared_ptr<office::Application> StartOffice(RecoveryJob& job) {
  if (job.env.office == nullptr) return nullptr;
  try {
    return job.env.office->CreateApplication(office::kProgId);
  } catch (const std::exception&) {
    return nullptr;
  }
}

void QuitIgnoringErrors(office::Application* application) {
  if (application == nullptr) return;
  try {
    application->Quit();
  } catch (const std::exception&) {
  }
}

void CloseIgnoringErrors(office::Presentation* presentation) {
  if (presentation == nullptr) return;
  try {
    presentation->Close();
  } catch (const std::exception&) {
  }
}

}  // namespace vlx
