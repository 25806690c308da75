#pragma once

#include <string>

#include "engine/fast/stream_candidate.h"
#include "engine/salvage/presentation_check.h"

namespace vlx {

// Checks a candidate's document stream with its Current User. When the document
// verifies but the Current User is missing or names no edit of it, a Current User
// naming the newest edit is written into the workspace (file rebuilt_name) and takes
// its place in the candidate; the repair is noted.
salvage::PresentationCheck CheckCandidate(RecoveryJob& job, StreamCandidate& candidate,
                                          const std::string& rebuilt_name);

}  // namespace vlx
