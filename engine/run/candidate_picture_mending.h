#pragma once

#include <cstdint>
#include <span>

#include "engine/fast/stream_candidate.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// Mends the damaged pictures of a stream set's Pictures stream into a copy in the workspace
// (restored record headers, PNG pictures kept to their whole rows, JPEG pictures made to
// draw what is left of them, metafiles ended before their damage), the set then pointing at
// the copy, its method naming the mending and its repairs listing what was done. `document`
// is the set's Document stream, or its newest Document container alone. A set whose
// pictures are whole is left as it is.
void MendCandidatePictures(RecoveryJob& job, StreamCandidate& candidate,
                           std::span<const uint8_t> document);

// The same, reading the newest Document container from the set's own Document stream
// (record headers only, then the container) where the stream is large, so the cost does
// not grow with it; a smaller stream is read whole.
void MendCandidatePictures(RecoveryJob& job, StreamCandidate& candidate);

}  // namespace vlx
