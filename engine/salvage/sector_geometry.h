#pragma once

#include <cstdint>

namespace vlx::salvage {

// Where a compound file lies inside the damaged bytes: the offset of its header block
// (which may be zeroed or lost) and its sector size. Sector n starts one sector after
// the header block.
struct SectorGeometry {
  uint64_t base = 0;
  uint32_t sector_size = 512;

  uint64_t SectorOffset(uint64_t sector) const { return base + (sector + 1) * sector_size; }
  // Sectors that start before end_of_file (the last one may be cut short).
  uint64_t SectorCount(uint64_t end_of_file) const {
    const uint64_t first = base + sector_size;
    if (end_of_file <= first) return 0;
    return (end_of_file - first + sector_size - 1) / sector_size;
  }
  uint32_t EntriesPerSector() const { return sector_size / 4; }
};

// Special sector numbers of the allocation tables.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatMark = 0xFFFFFFFC;
inline constexpr uint32_t kFatMark = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFree = 0xFFFFFFFF;

inline bool IsRegularSector(uint32_t value) {
  return value <= kMaxRegularSector;
}

}  // namespace vlx::salvage
