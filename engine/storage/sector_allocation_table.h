#pragma once

#include <cstdint>
#include <vector>

namespace vlx {

// A sector allocation table (the FAT, or the mini FAT for mini sectors): one entry
// per sector holding the next sector of its chain or a special marker. Chains are
// laid out contiguously in the order they are appended.
class SectorAllocationTable {
 public:
  // Appends a chain of count sectors; returns its first sector, or the end-of-chain
  // marker for an empty chain.
  uint32_t AppendChain(uint64_t count);

  // Appends count sectors that all carry the same marker (FAT or DIFAT sectors).
  uint32_t AppendMarked(uint64_t count, uint32_t marker);

  uint64_t size() const { return entries_.size(); }
  uint32_t at(uint64_t sector) const { return entries_[sector]; }

  // Number of table sectors needed to hold the entries.
  uint64_t SectorCount() const;

  // Copies table sector index (128 entries, free markers past the end) into out.
  void SerializeSector(uint64_t index, uint8_t* out) const;

 private:
  std::vector<uint32_t> entries_;
};

}  // namespace vlx
