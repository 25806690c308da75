#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_geometry.h"
#include "engine/salvage/table_page_search.h"

namespace vlx::salvage {

// An allocation table put together from the sectors that hold it.
struct RecoveredFat {
  SectorGeometry geometry;
  std::vector<uint32_t> table;            // entry n: the sector after n (or a mark)
  std::vector<uint32_t> fat_sectors;      // the sectors it came from, in table order
  std::vector<uint32_t> unclaimed_pages;  // table-like sectors that are not FAT (mini FAT?)
};

// Finds the FAT of a compound file whose sectors of sector_size bytes begin at
// offsets congruent to alignment, by content alone: FAT sectors read as table pages
// and mark themselves. Also gives where the file's header block must be. Returns the
// candidates found, best first (a disk image may hold several files).
std::vector<RecoveredFat> FindFatByContent(DamagedFile& file, uint32_t sector_size,
                                           uint64_t alignment);

// FindFatByContent for several layouts at once, in one pass over the file: the
// candidates of each layout, in the order given.
std::vector<std::vector<RecoveredFat>> FindFatByContent(DamagedFile& file,
                                                        const std::vector<SectorLayout>& layouts);

// The FAT candidates the table pages found for one layout make, best first.
std::vector<RecoveredFat> FatFromPages(DamagedFile& file, const std::vector<TablePage>& pages,
                                       const SectorLayout& layout);

// The FAT read from the listed sectors of a known geometry (a surviving header). Empty
// table when the sectors do not read as table pages in that order.
RecoveredFat ReadListedFat(DamagedFile& file, const SectorGeometry& geometry,
                           const std::vector<uint32_t>& fat_sectors);

}  // namespace vlx::salvage
