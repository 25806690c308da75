#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vlx::salvage {

// A sector read as one page of an allocation table (FAT or mini FAT): which page of
// the table it is, judged by its chains (entry e of page j mostly points a little
// ahead, to j*E + e + 1 or less than a page further, E entries per page), and the
// sector numbers it marks as FAT sectors.
struct AllocationPage {
  uint32_t page_index = 0;
  std::vector<uint32_t> fat_marks;  // sector numbers holding the FAT mark
};

// Reads entries (E = entries.size()) as a page of a table of a file with fewer than
// sector_limit sectors. nullopt when the bytes are not such a page, or when nothing in
// them tells which page they are.
std::optional<AllocationPage> ReadAsAllocationPage(const uint32_t* entries, uint32_t count,
                                                   uint64_t sector_limit);

}  // namespace vlx::salvage
