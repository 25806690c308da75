#include "engine/salvage/sector_header_index.h"

#include <algorithm>
#include <array>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx::salvage {
namespace {

constexpr uint32_t kSlots = 64;
constexpr size_t kChunkSectors = 2048;

// A presentation record (the Document container up to the persist directory's kin) or
// an OfficeArt drawing record.
constexpr bool IsRecordType(uint16_t type) {
  return (type >= kTypeDocument && type < 0x2000) || (type >= 0xF000 && type < 0xF200);
}

// The high bytes of those types: most bytes of other data are ruled out by one look.
constexpr std::array<bool, 256> kPossibleTypeHigh = [] {
  std::array<bool, 256> possible{};
  for (int type = 0; type < 0x10000; type += 0x100)
    possible[static_cast<size_t>(type >> 8)] = IsRecordType(static_cast<uint16_t>(type)) ||
                                               IsRecordType(static_cast<uint16_t>(type | 0xFF));
  return possible;
}();

}  // namespace

SectorHeaderIndex::SectorHeaderIndex(DamagedFile& file, const SectorGeometry& geometry,
                                     uint64_t stream_size)
    : sector_size_(geometry.sector_size),
      slot_size_(std::max<uint32_t>(1, geometry.sector_size / kSlots)),
      slots_(geometry.SectorCount(file.GetLength()), 0) {
  const uint64_t longest = stream_size > kRecordHeaderSize ? stream_size - kRecordHeaderSize : 0;
  const size_t chunk = kChunkSectors * sector_size_;
  for (uint64_t first = 0; first < slots_.size(); first += kChunkSectors) {
    size_t got = 0;
    const uint8_t* data = file.View(geometry.SectorOffset(first), chunk, &got);
    if (data == nullptr) break;
    for (uint64_t n = 0; n < kChunkSectors && first + n < slots_.size(); ++n) {
      const size_t start = static_cast<size_t>(n) * sector_size_;
      if (start >= got) break;
      const size_t end = std::min<size_t>(got, start + sector_size_);
      uint64_t bits = 0;
      for (size_t at = start; at + kRecordHeaderSize <= end; ++at)
        if (kPossibleTypeHigh[data[at + 3]] && IsRecordType(LoadU16(data + at + 2)) &&
            LoadU32(data + at + 4) <= longest)
          bits |= uint64_t{1} << ((at - start) / slot_size_);
      slots_[first + n] = bits;
    }
  }
}

bool SectorHeaderIndex::MayHoldHeaderAt(uint32_t sector, uint32_t within) const {
  if (sector >= slots_.size() || within + kRecordHeaderSize > sector_size_) return true;
  return (slots_[sector] >> (within / slot_size_) & 1) != 0;
}

}  // namespace vlx::salvage
