#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// What a surviving compound-file header says. Only fields whose values are possible
// are kept; every location still has to be confirmed by the content it points at.
struct HeaderHints {
  SectorGeometry geometry;
  uint32_t directory_start = kEndOfChain;
  uint32_t mini_fat_start = kEndOfChain;
  uint32_t mini_fat_sectors = 0;
  uint32_t mini_stream_cutoff = 4096;
  uint32_t difat_start = kEndOfChain;
  std::vector<uint32_t> fat_sectors;  // in table order: header entries, then DIFAT chain
};

// Reads the header at offset; nullopt when there is no signature or its sector size is
// neither 512 nor 4096.
std::optional<HeaderHints> ReadHeaderHints(DamagedFile& file, uint64_t offset);

}  // namespace vlx::salvage
