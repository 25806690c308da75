#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/job/result_view.h"
#include "engine/office/office_api.h"

namespace vlx::cli {

// The picture library of this build: Qt's when the tool was built with it, else the
// fallback that lists pictures without drawing them.
std::unique_ptr<ImageToolkit> MakeImageToolkit();

// The office of this build, started on first use and watched once a second so that a
// hung call fails instead of blocking the run; ended with this object.
class OfficeBackend {
 public:
  virtual ~OfficeBackend() = default;
  virtual office::AutomationServer& server() = 0;
};

// nullptr when the tool was built without an office backend. log receives the office's
// own version line.
std::unique_ptr<OfficeBackend> MakeOfficeBackend(std::function<void(const std::string&)> log);

// One line per backend for --version.
std::string BackendsText();

// Ends the offices this process started and removes their profile folder and pipe
// sockets, for an end at once that skips every destructor (a second stop signal).
void EndOfficesAtOnce();

// Removes what offices of programs of ours that were killed left behind (their private
// folders and pipe sockets), leaving anything a live process still uses.
void SweepDeadOfficeLeftovers();

}  // namespace vlx::cli
