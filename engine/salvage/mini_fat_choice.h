#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"

namespace vlx::salvage {

struct SalvagePlan;

// Where the mini FAT may be: the header's word (with its sector count) and the
// sectors that read as table pages without being FAT sectors.
struct MiniFatSources {
  uint32_t header_start = 0xFFFFFFFE;
  uint32_t header_sectors = 0;
  std::vector<uint32_t> table_like_sectors;
};

// The mini FAT under which most of the plan's small streams have whole chains;
// empty when no candidate gives any.
std::vector<uint32_t> ChooseMiniFat(DamagedFile& file, const SalvagePlan& plan,
                                    const MiniFatSources& sources);

}  // namespace vlx::salvage
