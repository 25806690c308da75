#pragma once

#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_listing.h"

namespace vlx::salvage {

// Without a directory: the chains of the FAT that begin like a "PowerPoint Document"
// or a "Pictures" stream, or like one of the two summaries' property sets, named so
// and sized by their records or sections (the longest of each).
std::vector<CompoundItem> ItemsByContent(DamagedFile& file, const SectorGeometry& geometry,
                                         const std::vector<uint32_t>& fat);

// Without a FAT either (a file cut before its tables): the runs of sectors that begin like
// a "PowerPoint Document" or a "Pictures" stream and hold its records one after another,
// a record cut by the end of the file included (the longest of each). Sectors a run
// covers begin no other run, so the file is read once.
std::vector<CompoundItem> ItemsByContentWithoutFat(DamagedFile& file,
                                                   const SectorGeometry& geometry);

}  // namespace vlx::salvage
