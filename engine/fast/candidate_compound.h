#pragma once

#include <string>

#include "engine/fast/stream_candidate.h"

namespace vlx {

// Writes the candidate as a compound file at path: the root's class id, every storage
// with its class id, every stream with its bytes as they are in its workspace file.
// False with a reason when the file cannot be written whole.
bool WriteCandidateCompound(const StreamCandidate& candidate, const std::string& path,
                            std::string* error);

}  // namespace vlx
