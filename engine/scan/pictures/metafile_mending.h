#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/scan/pictures/damage_block.h"

namespace vlx {

enum class MetafileKind { kWmf, kEmf };

// A compressed metafile whose damage was cut away: its records before the damage as they
// were, then an end-of-file record, the metafile's own header counts set to match, packed
// again behind the picture record's metafile header, zeros after it to the room the
// damaged one took.
struct MendedMetafile {
  std::vector<uint8_t> bytes;  // the metafile header and the packed metafile
  size_t records_kept = 0;
};

// `stored` begins at the picture record's 34-byte metafile header; `phase` is where that
// header's first byte falls in a damage block. Damage shows as an inflate error, output
// that ends short, or a record that cannot be; the records kept end before the damage
// block where that showed. nullopt when the metafile is not
// deflated, when it inflates whole (its check value holds), when no record before the
// damage is left, or when the mended one does not fit in `room` bytes.
std::optional<MendedMetafile> MendDamagedMetafile(std::span<const uint8_t> stored,
                                                  MetafileKind kind, size_t phase, size_t room);

}  // namespace vlx
