#pragma once

#include <cstdint>
#include <set>
#include <span>

namespace vlx {

// The blip-store indices (1-based) that the shapes of a record run refer to: every
// property of an OfficeArt property table (primary, secondary or tertiary) that is
// marked as a blip id and is not complex. A container cut short is walked as far as its
// bytes go; nothing after it in its parent is read.
std::set<uint32_t> FindBlipReferences(std::span<const uint8_t> records);

}  // namespace vlx
