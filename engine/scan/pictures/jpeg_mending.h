#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/scan/pictures/damage_block.h"

namespace vlx {

// A damaged JPEG picture a decoder draws to the end. Without restart markers it is cut where
// its damage begins: its segments and the coded data before the damage as they were, then
// the end-of-image marker, then zeros to the room the damaged picture took; a decoder draws
// the part before the cut and fills the rest flat from there. With restart markers every
// marker the damage made is turned into a coded byte, so the decoder takes up again at the
// next restart marker instead of stopping.
struct MendedJpeg {
  std::vector<uint8_t> bytes;
  size_t kept = 0;  // bytes of the damaged picture kept before the end marker (all, with restarts)
};

// Where, at or after `from`, the segments begin that lead through quantisation tables and a
// frame header to a scan (of the largest frame, where several do: a small one is the
// thumbnail kept in the application data); nullopt when none do.
std::optional<size_t> JpegSegmentsFrom(std::span<const uint8_t> bytes, size_t from);

// `phase` is where the picture's first byte falls in a damage block (see kDamageBlock).
// Damage shows in the coded data as a marker that cannot stand there; the cut is made at
// the start of the damage block that holds it, or one block earlier, where damage that did
// not show may begin. Where the damage broke the segments before the coded data, the
// picture takes up again at the segments that lead to its frame and scan. nullopt when no
// damage shows, when no such segments are left, or when nothing of the coded data would be.
std::optional<MendedJpeg> MendDamagedJpeg(std::span<const uint8_t> jpeg, size_t phase, size_t room);

}  // namespace vlx
