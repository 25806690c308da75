#pragma once

#include <cstdint>

namespace vlx {

// True for the seven version/instance words that open a picture record as the picture
// stream search knows them.
bool IsPictureRecordWord(uint16_t word);

}  // namespace vlx
