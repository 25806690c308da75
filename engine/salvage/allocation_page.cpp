#include "engine/salvage/allocation_page.h"

#include <map>

#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

std::optional<AllocationPage> ReadAsAllocationPage(const uint32_t* entries, uint32_t count,
                                                   uint64_t sector_limit) {
  std::map<uint32_t, uint32_t> votes;  // page index -> entries that chain to their next
  uint32_t regular = 0;
  std::vector<uint32_t> marks;
  for (uint32_t e = 0; e < count; ++e) {
    const uint32_t value = entries[e];
    if (value == kFatMark) {
      marks.push_back(e);
      continue;
    }
    if (!IsRegularSector(value)) {
      if (value == kMaxRegularSector + 1) return std::nullopt;  // 0xFFFFFFFB is never used
      continue;
    }
    if (value >= sector_limit) return std::nullopt;
    ++regular;
    // Entry e of page j pointing a little ahead (next sector, or a jump of less than a
    // page) says j.
    if (value > e) ++votes[(value - e - 1) / count];
  }
  uint32_t best_page = 0;
  uint32_t best_votes = 0;
  for (const auto& [page, n] : votes) {
    if (n > best_votes) {
      best_page = page;
      best_votes = n;
    }
  }
  // Chains are mostly runs: most of the regular entries point at the next sector.
  if (best_votes == 0 || best_votes * 2 < regular) return std::nullopt;
  AllocationPage page;
  page.page_index = best_page;
  for (uint32_t e : marks) page.fat_marks.push_back(best_page * count + e);
  return page;
}

}  // namespace vlx::salvage
