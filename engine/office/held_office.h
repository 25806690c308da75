#pragma once

namespace vlx {

class RecoveryJob;

// Starts the office that the standard mode keeps running through the rebuild, into
// job.held_application. Shows critical error 033 when it cannot be started.
void HoldPowerPoint(RecoveryJob& job);

}  // namespace vlx
