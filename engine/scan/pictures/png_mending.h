#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/scan/pictures/damage_block.h"

namespace vlx {

// A PNG picture with its damaged part cut away: the rows before the damage exactly as they
// were; the rows after it read again where the image data can be taken up past the damage
// (what it copied from the lost bytes drawn from the row above), the rows between drawn from
// the last whole row to the first row read again; else the rows from the damage on in the
// average colour of the last whole row; the chunks that
// kept their checksum, in exactly the room the damaged picture took (a private ancillary
// chunk fills what is left).
struct MendedPng {
  std::vector<uint8_t> bytes;
  uint32_t rows_kept = 0;
  uint32_t rows_resumed = 0;  // rows after the damage read again from the image data past it
  uint32_t height = 0;
};

// False for a PNG picture whose chunks cannot be walked to IEND or whose image data fails
// its checksum; true for every other picture, PNG or not.
bool PngImageDataWhole(std::span<const uint8_t> png);

// `phase` is where the picture's first byte falls in a damage block (its stream offset
// modulo kDamageBlock). A picture whose only damage is its signature gets it back, every
// other byte as it was. nullopt when the picture is whole (every chunk's checksum holds,
// through IEND), when nothing of its rows is left, when its header chunk or its palette is
// damaged, when it is interlaced, or when the mended picture does not fit in `room` bytes.
std::optional<MendedPng> MendDamagedPng(std::span<const uint8_t> png, size_t phase, size_t room);

}  // namespace vlx
