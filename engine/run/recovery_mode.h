#pragma once

namespace vlx {

// The recovery modes both front ends offer. Auto runs the fast mode and, when its result
// is not the whole presentation, the standard mode after it, handing over the better one.
enum class RecoveryMode { kFast, kStandard, kAuto };

}  // namespace vlx
