#pragma once

#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_listing.h"

namespace vlx::salvage {

// Without a directory: the chains of the FAT that begin like a "PowerPoint Document"
// or a "Pictures" stream, named so and sized by their records (the longest of each).
std::vector<CompoundItem> ItemsByContent(DamagedFile& file, const SectorGeometry& geometry,
                                         const std::vector<uint32_t>& fat);

}  // namespace vlx::salvage
