#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_listing.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// The mini stream of a compound file whose directory is lost, and the small streams
// found in it by their content.
struct MiniStreamByContent {
  CompoundItem mini_stream;         // the chain that holds it; size: the chain's sectors
  std::vector<CompoundItem> items;  // start_sector: the stream's first mini sector
};

// Without a directory, the root entry no longer names the mini stream: it is the FAT
// chain, not taken by another stream, in which a Current User record begins on a mini
// sector. Inside it, at mini-sector starts: the Current User (sized by its record), a
// presentation stream too small for regular sectors (by its records, read on through
// the mini sectors that follow) and the two property sets (by their sections).
// Nothing found: an empty mini_stream (size 0).
MiniStreamByContent FindMiniStreamByContent(DamagedFile& file, const SectorGeometry& geometry,
                                            const std::vector<uint32_t>& fat, uint32_t cutoff);

}  // namespace vlx::salvage
