#include "engine/salvage/sector_chain.h"

#include <unordered_set>

#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

StreamSectors ChainSectors(const std::vector<uint32_t>& table, uint32_t start, uint64_t count,
                           uint64_t sector_limit) {
  StreamSectors result;
  if (count == 0 || start >= sector_limit) return result;
  std::vector<bool> seen(sector_limit);
  uint32_t at = start;
  bool on_table = true;
  while (true) {
    result.sectors.push_back(at);
    seen[at] = true;
    if (result.sectors.size() == count) break;
    uint32_t next = kFree;
    if (on_table && at < table.size()) next = table[at];
    if (!on_table || !IsRegularSector(next) || next >= sector_limit || seen[next]) {
      on_table = false;
      next = at + 1;
      ++result.guessed;
    }
    if (next >= sector_limit) break;
    at = next;
  }
  return result;
}

std::vector<uint32_t> FollowWholeChain(const std::vector<uint32_t>& table, uint32_t start,
                                       uint64_t max_length) {
  std::vector<uint32_t> chain;
  std::vector<bool> seen(table.size());
  for (uint32_t at = start; at != kEndOfChain;) {
    if (!IsRegularSector(at) || at >= table.size() || seen[at] || chain.size() >= max_length)
      return {};
    seen[at] = true;
    chain.push_back(at);
    at = table[at];
  }
  return chain;
}

std::vector<uint32_t> ChainHeads(const std::vector<uint32_t>& table, uint64_t sector_limit) {
  std::unordered_set<uint32_t> reached;
  for (uint32_t value : table)
    if (IsRegularSector(value)) reached.insert(value);
  std::vector<uint32_t> heads;
  for (uint32_t s = 0; s < table.size() && s < sector_limit; ++s) {
    const uint32_t value = table[s];
    if ((IsRegularSector(value) || value == kEndOfChain) && reached.count(s) == 0)
      heads.push_back(s);
  }
  return heads;
}

}  // namespace vlx::salvage
