#include "engine/storage/sector_allocation_table.h"

#include "engine/format/byte_order.h"
#include "engine/storage/compound_format.h"

namespace vlx {

uint32_t SectorAllocationTable::AppendChain(uint64_t count) {
  if (count == 0) return cfb::kEndOfChain;
  const uint64_t first = entries_.size();
  entries_.reserve(entries_.size() + count);
  for (uint64_t i = 1; i < count; ++i) entries_.push_back(static_cast<uint32_t>(first + i));
  entries_.push_back(cfb::kEndOfChain);
  return static_cast<uint32_t>(first);
}

uint32_t SectorAllocationTable::AppendMarked(uint64_t count, uint32_t marker) {
  if (count == 0) return cfb::kEndOfChain;
  const uint64_t first = entries_.size();
  entries_.insert(entries_.end(), count, marker);
  return static_cast<uint32_t>(first);
}

uint64_t SectorAllocationTable::SectorCount() const {
  return (entries_.size() + cfb::kEntriesPerSector - 1) / cfb::kEntriesPerSector;
}

void SectorAllocationTable::SerializeSector(uint64_t index, uint8_t* out) const {
  const std::span<uint8_t> bytes(out, cfb::kSectorSize);
  for (uint64_t i = 0; i < cfb::kEntriesPerSector; ++i) {
    const uint64_t entry = index * cfb::kEntriesPerSector + i;
    PutU32(bytes, 4 * i, entry < entries_.size() ? entries_[entry] : cfb::kFreeSector);
  }
}

}  // namespace vlx
