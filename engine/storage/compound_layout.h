#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/sector_allocation_table.h"

namespace vlx {

// Where everything of a compound file goes. Sectors follow each other in this order:
// directory, mini FAT, mini stream, the regular streams (in the order given), FAT,
// DIFAT. Every chain is contiguous.
struct CompoundLayout {
  uint64_t directory_sectors = 0;
  uint64_t mini_fat_sectors = 0;
  uint64_t mini_stream_sectors = 0;
  uint64_t fat_sectors = 0;
  uint64_t difat_sectors = 0;
  uint32_t directory_start = 0;
  uint32_t mini_fat_start = 0;     // end-of-chain marker when there is none
  uint32_t mini_stream_start = 0;  // end-of-chain marker when there is none
  uint32_t fat_start = 0;
  uint32_t difat_start = 0;       // end-of-chain marker when there is none
  uint64_t mini_stream_size = 0;  // bytes, a whole number of mini sectors

  // Per stream: its first sector (regular or mini), end-of-chain when empty.
  std::vector<uint32_t> stream_start;
  std::vector<bool> in_mini_stream;

  SectorAllocationTable fat;
  SectorAllocationTable mini_fat;

  uint64_t total_sectors() const { return fat.size(); }
};

// Lays out a file whose directory has directory_entries entries (root included) and
// whose streams have the given sizes. False when the file would need more sectors than
// the format can number.
bool PlanCompoundLayout(uint64_t directory_entries, const std::vector<uint64_t>& stream_sizes,
                        CompoundLayout* layout);

}  // namespace vlx
