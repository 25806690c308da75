#pragma once

#include <cstddef>

namespace vlx {

// Damage to a stored stream comes in whole blocks of this many bytes (a sector, or a
// multiple of it), so it begins at a multiple of this size in the stream.
inline constexpr size_t kDamageBlock = 512;

}  // namespace vlx
