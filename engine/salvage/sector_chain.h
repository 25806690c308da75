#pragma once

#include <cstdint>
#include <vector>

namespace vlx::salvage {

// The sectors of one stream, in stream order.
struct StreamSectors {
  std::vector<uint32_t> sectors;
  uint64_t guessed = 0;  // sectors taken as "the next one" because the table had no chain
};

// The count sectors of a stream starting at start. Follows the table while it holds a
// chain (regular entries, inside the file, no loop); where it does not (an empty or
// overwritten table), the stream is taken to run on into the following sectors.
// Stops early only at sector_limit.
StreamSectors ChainSectors(const std::vector<uint32_t>& table, uint32_t start, uint64_t count,
                           uint64_t sector_limit);

// Follows the table from start to its end-of-chain mark; empty when the chain leaves
// the table, loops or passes max_length sectors.
std::vector<uint32_t> FollowWholeChain(const std::vector<uint32_t>& table, uint32_t start,
                                       uint64_t max_length);

// The sectors that begin a chain: in use, and no entry of the table leads to them.
std::vector<uint32_t> ChainHeads(const std::vector<uint32_t>& table, uint64_t sector_limit);

}  // namespace vlx::salvage
