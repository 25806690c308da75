#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vlx::salvage {

enum class EntryType : uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

using ClassId = std::array<uint8_t, 16>;

// One 128-byte directory entry as found.
struct DirectoryEntryRecord {
  std::u16string name;
  EntryType type = EntryType::kUnused;
  uint32_t left = 0xFFFFFFFF;
  uint32_t right = 0xFFFFFFFF;
  uint32_t child = 0xFFFFFFFF;
  ClassId clsid{};
  uint32_t start_sector = 0;
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME; 0 when the writer left it unset
};

// Parses an entry; nullopt when its fields are impossible (name length, type, a name
// that is not zero-terminated). Files with 512-byte sectors keep only the low 32 bits
// of the size, as their writers may leave the high half undefined.
std::optional<DirectoryEntryRecord> ParseDirectoryEntry(const uint8_t* bytes, uint32_t sector_size);

}  // namespace vlx::salvage
