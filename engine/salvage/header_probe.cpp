#include "engine/salvage/header_probe.h"

#include <unordered_set>

#include "engine/format/byte_order.h"

namespace vlx::salvage {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderDifatEntries = 109;

// The DIFAT chain adds FAT sector locations beyond the header's 109; a chain that
// loops or leaves the file ends the list.
void AppendDifatChain(DamagedFile& file, HeaderHints& hints, uint64_t sector_count) {
  const uint32_t per_sector = hints.geometry.EntriesPerSector();
  std::vector<uint8_t> sector(hints.geometry.sector_size);
  std::unordered_set<uint32_t> seen;
  for (uint32_t at = hints.difat_start; IsRegularSector(at) && at < sector_count;) {
    if (!seen.insert(at).second) break;
    file.ReadAt(hints.geometry.SectorOffset(at), sector.data(), sector.size());
    for (uint32_t i = 0; i + 1 < per_sector; ++i) {
      const uint32_t fat = LoadU32(&sector[4 * i]);
      if (IsRegularSector(fat) && fat < sector_count) hints.fat_sectors.push_back(fat);
    }
    at = LoadU32(&sector[4 * (per_sector - 1)]);
  }
}

}  // namespace

std::optional<HeaderHints> ReadHeaderHints(DamagedFile& file, uint64_t offset) {
  uint8_t header[512];
  if (file.ReadAt(offset, header, sizeof header) != sizeof header) return std::nullopt;
  for (size_t i = 0; i < sizeof kSignature; ++i)
    if (header[i] != kSignature[i]) return std::nullopt;
  const uint16_t shift = LoadU16(header + 0x1E);
  if (shift != 9 && shift != 12) return std::nullopt;
  HeaderHints hints;
  hints.geometry.base = offset;
  hints.geometry.sector_size = uint32_t{1} << shift;
  const uint64_t sector_count = hints.geometry.SectorCount(file.GetLength());
  hints.directory_start = LoadU32(header + 0x30);
  const uint32_t cutoff = LoadU32(header + 0x38);
  if (cutoff == 4096) hints.mini_stream_cutoff = cutoff;
  hints.mini_fat_start = LoadU32(header + 0x3C);
  hints.mini_fat_sectors = LoadU32(header + 0x40);
  hints.difat_start = LoadU32(header + 0x44);
  for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
    const uint32_t fat = LoadU32(header + 0x4C + 4 * i);
    if (IsRegularSector(fat) && fat < sector_count) hints.fat_sectors.push_back(fat);
  }
  AppendDifatChain(file, hints, sector_count);
  return hints;
}

}  // namespace vlx::salvage
