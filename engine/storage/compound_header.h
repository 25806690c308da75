#pragma once

#include <cstdint>

#include "engine/storage/compound_layout.h"

namespace vlx {

// Writes the 512-byte file header for layout into out (the first 109 FAT sector
// locations included).
void SerializeCompoundHeader(const CompoundLayout& layout, uint8_t* out);

// Writes DIFAT sector index (0-based) of layout into out: 127 FAT sector locations
// (free markers past the last) and the location of the next DIFAT sector.
void SerializeDifatSector(const CompoundLayout& layout, uint64_t index, uint8_t* out);

}  // namespace vlx
