#pragma once

#include <optional>

#include "engine/scan/pictures/byte_source.h"
#include "engine/scan/pictures/found_picture.h"

namespace vlx {

// How far past a picture record's start its own end is looked for.
inline constexpr size_t kOwnEndReach = size_t{64} << 20;

// The picture of a picture record whose header starts at source[at], recognised by its
// instance and its content; nullopt when there is none. The record's length ends the
// picture where the picture's own structure ends inside it; where it does not (a length
// that is short, runs past the source, or was damaged) the picture's own end does, looked
// for within kOwnEndReach bytes. The picture's bytes are a view of the source, valid
// until its next View.
std::optional<FoundPicture> PictureAt(ByteSource& source, uint64_t at);

// The same over bytes in memory.
std::optional<FoundPicture> PictureAt(ByteSpan source, uint64_t at);

}  // namespace vlx
