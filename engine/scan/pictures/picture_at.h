#pragma once

#include <optional>

#include "engine/scan/pictures/found_picture.h"

namespace vlx {

// The picture of a picture record whose header starts at source[at], recognised by its
// instance and its content; nullopt when there is none. The record's length ends the
// picture where the picture's own structure ends inside it; where it does not (a length
// that is short, runs past the source, or was damaged) the picture's own end does.
std::optional<FoundPicture> PictureAt(ByteSpan source, size_t at);

}  // namespace vlx
