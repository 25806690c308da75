#include "engine/storage/compound_header.h"

#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/storage/compound_format.h"

namespace vlx {
namespace {

// Location of FAT sector i, or the free marker past the last one.
uint32_t FatSectorLocation(const CompoundLayout& layout, uint64_t i) {
  return i < layout.fat_sectors ? static_cast<uint32_t>(layout.fat_start + i) : cfb::kFreeSector;
}

}  // namespace

void SerializeCompoundHeader(const CompoundLayout& layout, uint8_t* out) {
  const std::span<uint8_t> bytes(out, cfb::kHeaderSize);
  std::memset(out, 0, cfb::kHeaderSize);
  std::memcpy(out, cfb::kSignature, sizeof cfb::kSignature);
  PutU16(bytes, 0x18, cfb::kMinorVersion);
  PutU16(bytes, 0x1A, cfb::kMajorVersion);
  PutU16(bytes, 0x1C, cfb::kByteOrderMark);
  PutU16(bytes, 0x1E, cfb::kSectorShift);
  PutU16(bytes, 0x20, cfb::kMiniSectorShift);
  PutU32(bytes, 0x28, 0);  // directory sector count: always 0 in version 3
  PutU32(bytes, 0x2C, static_cast<uint32_t>(layout.fat_sectors));
  PutU32(bytes, 0x30, layout.directory_start);
  PutU32(bytes, 0x34, 0);  // transaction signature
  PutU32(bytes, 0x38, static_cast<uint32_t>(cfb::kMiniStreamCutoff));
  PutU32(bytes, 0x3C, layout.mini_fat_start);
  PutU32(bytes, 0x40, static_cast<uint32_t>(layout.mini_fat_sectors));
  PutU32(bytes, 0x44, layout.difat_start);
  PutU32(bytes, 0x48, static_cast<uint32_t>(layout.difat_sectors));
  for (uint64_t i = 0; i < cfb::kHeaderDifatEntries; ++i) {
    PutU32(bytes, 0x4C + 4 * i, FatSectorLocation(layout, i));
  }
}

void SerializeDifatSector(const CompoundLayout& layout, uint64_t index, uint8_t* out) {
  const std::span<uint8_t> bytes(out, cfb::kSectorSize);
  const uint64_t first = cfb::kHeaderDifatEntries + index * cfb::kDifatEntriesPerSector;
  for (uint64_t i = 0; i < cfb::kDifatEntriesPerSector; ++i) {
    PutU32(bytes, 4 * i, FatSectorLocation(layout, first + i));
  }
  const uint32_t next = index + 1 < layout.difat_sectors
                            ? static_cast<uint32_t>(layout.difat_start + index + 1)
                            : cfb::kEndOfChain;
  PutU32(bytes, 4 * cfb::kDifatEntriesPerSector, next);
}

}  // namespace vlx
