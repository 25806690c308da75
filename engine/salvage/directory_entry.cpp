#include "engine/salvage/directory_entry.h"

#include <algorithm>

#include "engine/format/byte_order.h"

namespace vlx::salvage {

std::optional<DirectoryEntryRecord> ParseDirectoryEntry(const uint8_t* bytes,
                                                        uint32_t sector_size) {
  DirectoryEntryRecord entry;
  const uint8_t type = bytes[0x42];
  if (type != 0 && type != 1 && type != 2 && type != 5) return std::nullopt;
  entry.type = static_cast<EntryType>(type);
  entry.left = LoadU32(bytes + 0x44);
  entry.right = LoadU32(bytes + 0x48);
  entry.child = LoadU32(bytes + 0x4C);
  if (entry.type == EntryType::kUnused) return entry;
  const uint16_t name_bytes = LoadU16(bytes + 0x40);
  if (name_bytes < 2 || name_bytes > 64 || name_bytes % 2 != 0) return std::nullopt;
  const size_t units = name_bytes / 2 - 1;
  if (LoadU16(bytes + 2 * units) != 0) return std::nullopt;
  for (size_t i = 0; i < units; ++i) {
    const char16_t unit = LoadU16(bytes + 2 * i);
    if (unit == 0) return std::nullopt;
    entry.name.push_back(unit);
  }
  if (bytes[0x43] > 1) return std::nullopt;  // colour: red or black
  std::copy(bytes + 0x50, bytes + 0x60, entry.clsid.begin());
  entry.modified = LoadU64(bytes + 0x6C);
  entry.start_sector = LoadU32(bytes + 0x74);
  entry.size = sector_size == 512 ? LoadU32(bytes + 0x78) : LoadU64(bytes + 0x78);
  return entry;
}

}  // namespace vlx::salvage
