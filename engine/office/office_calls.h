#pragma once

// Small pieces that every office-driving stage shares: starting an office, ending it and
// closing a presentation without letting an error of the office escape.

#include <memory>

#include "engine/office/office_api.h"

namespace vlx {

class RecoveryJob;

// Creates an Application from the run's office. nullptr when this machine has no office
// or it cannot be started; the caller shows its own critical error.
std::shared_ptr<office::Application> StartOffice(RecoveryJob& job);

// Quit and Close whose errors are of no interest to the caller.
void QuitIgnoringErrors(office::Application* application);
void CloseIgnoringErrors(office::Presentation* presentation);

}  // namespace vlx
