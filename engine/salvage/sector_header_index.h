#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// For every sector of the file, which of its 64 equal slots hold a byte where a record
// header of a presentation stream could begin: a record type of the presentation or
// drawing ranges and a length that fits the stream. Built in one pass over the file,
// eight bytes a sector; a search for a header at a given place of a sector then skips
// the sectors that cannot hold one there instead of reading every sector of the file.
class SectorHeaderIndex {
 public:
  SectorHeaderIndex(DamagedFile& file, const SectorGeometry& geometry, uint64_t stream_size);

  // False only when the sector cannot hold such a header starting at byte within (a
  // header that would cross into the next sector is not ruled out).
  bool MayHoldHeaderAt(uint32_t sector, uint32_t within) const;

 private:
  uint32_t sector_size_;
  uint32_t slot_size_;
  std::vector<uint64_t> slots_;  // by sector: bit k for slot k
};

}  // namespace vlx::salvage
