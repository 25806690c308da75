#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/job/damaged_file.h"

namespace vlx {

// The blip store of a document stream's newest Document container (the last one in the
// stream), header included; empty when there is none.
std::span<const uint8_t> NewestBlipStore(std::span<const uint8_t> stream);

// How many entries of the blip store of a document stream's newest Document container (the
// last one in the stream) a pictures stream resolves: it holds, at the offset the entry
// names, a picture record that carries the entry's unique id. The slides show exactly
// these pictures.
size_t ResolvedPictures(std::span<const uint8_t> stream, DamagedFile& pictures);

}  // namespace vlx
