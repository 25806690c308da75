#pragma once

// Deterministic damage of a compound-file presentation, the way failed disks, copies and
// file-system faults break one. Every kind works on a copy; the seed makes it repeatable.

#include <cstdint>
#include <string>
#include <vector>

namespace vlx::e2e {

using Bytes = std::vector<unsigned char>;

enum class DamageKind {
  kHeaderZeroed,        // the 512-byte header sector is zeros
  kFatScrambled,        // the sector allocation table's entries are shuffled
  kDirectoryZeroed,     // every sector of the directory chain is zeros
  kTruncated,           // only the first 80 % of the file is left
  kSectorsOverwritten,  // 3 % of the 512-byte sectors hold random bytes
  kEmbeddedInNoise,     // the whole file sits at a 512-aligned offset inside random bytes
};

inline constexpr DamageKind kAllDamageKinds[] = {
    DamageKind::kHeaderZeroed, DamageKind::kFatScrambled,       DamageKind::kDirectoryZeroed,
    DamageKind::kTruncated,    DamageKind::kSectorsOverwritten, DamageKind::kEmbeddedInNoise};

// Short name for file names and test names ("header_zeroed", ...).
std::string DamageName(DamageKind kind);
// Readable name for the table ("compound-file header zeroed", ...).
std::string DamageTitle(DamageKind kind);

// Where the parts of a compound file lie, as its header says.
struct CompoundLayout {
  uint32_t sector_size = 512;
  std::vector<uint32_t> fat_sectors;        // sector numbers holding the FAT
  std::vector<uint32_t> directory_sectors;  // the directory's chain, in order
  uint64_t SectorOffset(uint32_t sector) const { return uint64_t{sector + 1} * sector_size; }
};

// Reads the layout of an intact compound file; false when the header is not one.
bool ReadCompoundLayout(const Bytes& file, CompoundLayout* layout);

// A repeatable seed for one file and one kind of damage.
uint64_t DamageSeed(const std::string& file_name, DamageKind kind);

// A damaged copy of `original`. Kinds that need the layout leave a file whose header
// cannot be read unchanged (the result then equals the input).
Bytes Damage(const Bytes& original, DamageKind kind, uint64_t seed);

}  // namespace vlx::e2e
