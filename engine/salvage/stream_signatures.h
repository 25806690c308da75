#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_listing.h"

namespace vlx::salvage {

// How many of the listing's well-known streams (the presentation's three, the two
// property sets) begin the way their kind of stream begins, read through fat. An old
// copy of a directory names sectors that now hold something else.
size_t StreamsThatBeginRight(DamagedFile& file, const SectorGeometry& geometry,
                             const std::vector<uint32_t>& fat, const DirectoryListing& listing,
                             uint32_t mini_stream_cutoff);

}  // namespace vlx::salvage
