#include "tests/e2e/compound_damage.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <set>

namespace vlx::e2e {
namespace {

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr size_t kBlock = 512;

uint32_t U32At(const Bytes& b, uint64_t at) {
  if (at + 4 > b.size()) return 0xFFFFFFFF;
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

void PutU32(Bytes& b, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// Random bytes straight from the engine: the same on every standard library.
void FillRandom(unsigned char* out, size_t count, std::mt19937_64& rng) {
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(rng() >> 24);
}

// 0 .. bound-1 from raw engine output (bound is small, the bias does not matter here).
uint64_t Below(std::mt19937_64& rng, uint64_t bound) {
  return bound == 0 ? 0 : rng() % bound;
}

void ZeroSector(Bytes& file, const CompoundLayout& layout, uint32_t sector) {
  const uint64_t at = layout.SectorOffset(sector);
  if (at >= file.size()) return;
  const uint64_t end = std::min<uint64_t>(file.size(), at + layout.sector_size);
  std::fill(file.begin() + static_cast<std::ptrdiff_t>(at),
            file.begin() + static_cast<std::ptrdiff_t>(end), 0);
}

// Fisher-Yates over every FAT entry of every FAT sector.
void ShuffleFat(Bytes& file, const CompoundLayout& layout, std::mt19937_64& rng) {
  std::vector<uint64_t> slots;
  for (uint32_t sector : layout.fat_sectors) {
    const uint64_t at = layout.SectorOffset(sector);
    for (uint32_t i = 0; i < layout.sector_size / 4; ++i)
      if (at + 4 * i + 4 <= file.size()) slots.push_back(at + 4 * i);
  }
  std::vector<uint32_t> entries;
  for (uint64_t slot : slots) entries.push_back(U32At(file, slot));
  for (size_t i = entries.size(); i > 1; --i) std::swap(entries[i - 1], entries[Below(rng, i)]);
  for (size_t i = 0; i < slots.size(); ++i) PutU32(file, slots[i], entries[i]);
}

void OverwriteSectors(Bytes& file, std::mt19937_64& rng) {
  const size_t blocks = (file.size() + kBlock - 1) / kBlock;
  const size_t wanted = std::max<size_t>(1, (blocks * 3 + 99) / 100);
  std::set<size_t> chosen;
  while (chosen.size() < std::min(wanted, blocks)) chosen.insert(Below(rng, blocks));
  for (size_t block : chosen) {
    const size_t at = block * kBlock;
    FillRandom(file.data() + at, std::min(kBlock, file.size() - at), rng);
  }
}

Bytes EmbedInNoise(const Bytes& original, std::mt19937_64& rng) {
  const size_t prefix = kBlock * (1 + Below(rng, 64));
  const size_t suffix = 1 + Below(rng, 4 * kBlock);
  Bytes out(prefix + original.size() + suffix);
  FillRandom(out.data(), prefix, rng);
  std::copy(original.begin(), original.end(), out.begin() + static_cast<std::ptrdiff_t>(prefix));
  FillRandom(out.data() + prefix + original.size(), suffix, rng);
  return out;
}

}  // namespace

std::string DamageName(DamageKind kind) {
  switch (kind) {
    case DamageKind::kHeaderZeroed:
      return "header_zeroed";
    case DamageKind::kFatScrambled:
      return "fat_scrambled";
    case DamageKind::kDirectoryZeroed:
      return "directory_zeroed";
    case DamageKind::kTruncated:
      return "truncated_80";
    case DamageKind::kSectorsOverwritten:
      return "sectors_overwritten_3";
    case DamageKind::kEmbeddedInNoise:
      return "embedded_in_noise";
  }
  return "unknown";
}

std::string DamageTitle(DamageKind kind) {
  switch (kind) {
    case DamageKind::kHeaderZeroed:
      return "compound-file header zeroed";
    case DamageKind::kFatScrambled:
      return "FAT scrambled";
    case DamageKind::kDirectoryZeroed:
      return "directory zeroed";
    case DamageKind::kTruncated:
      return "truncated to 80 %";
    case DamageKind::kSectorsOverwritten:
      return "3 % of sectors overwritten";
    case DamageKind::kEmbeddedInNoise:
      return "inside random bytes";
  }
  return "unknown";
}

bool ReadCompoundLayout(const Bytes& file, CompoundLayout* layout) {
  if (file.size() < kBlock || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
    return false;
  const unsigned shift = file[0x1E] | file[0x1F] << 8;
  if (shift != 9 && shift != 12) return false;
  CompoundLayout result;
  result.sector_size = 1u << shift;
  const uint32_t fat_count = U32At(file, 0x2C);
  for (uint32_t i = 0; i < 109 && result.fat_sectors.size() < fat_count; ++i)
    result.fat_sectors.push_back(U32At(file, 0x4C + 4 * i));
  // Further FAT sectors are listed in the DIFAT chain; its last entry links on.
  uint32_t difat = U32At(file, 0x44);
  std::set<uint32_t> seen;
  while (difat <= kMaxRegularSector && result.fat_sectors.size() < fat_count &&
         seen.insert(difat).second) {
    const uint64_t at = result.SectorOffset(difat);
    const uint32_t per_sector = result.sector_size / 4 - 1;
    for (uint32_t i = 0; i < per_sector && result.fat_sectors.size() < fat_count; ++i)
      result.fat_sectors.push_back(U32At(file, at + 4 * i));
    difat = U32At(file, at + 4 * per_sector);
  }
  auto fat_entry = [&](uint32_t sector) -> uint32_t {
    const uint32_t per_sector = result.sector_size / 4;
    const uint32_t index = sector / per_sector;
    if (index >= result.fat_sectors.size()) return 0xFFFFFFFF;
    return U32At(file, result.SectorOffset(result.fat_sectors[index]) + 4 * (sector % per_sector));
  };
  seen.clear();
  for (uint32_t s = U32At(file, 0x30); s <= kMaxRegularSector && seen.insert(s).second;
       s = fat_entry(s))
    result.directory_sectors.push_back(s);
  *layout = result;
  return true;
}

uint64_t DamageSeed(const std::string& file_name, DamageKind kind) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : file_name) hash = (hash ^ c) * 1099511628211ull;
  return hash ^ (static_cast<uint64_t>(kind) + 1) * 0x9E3779B97F4A7C15ull;
}

Bytes Damage(const Bytes& original, DamageKind kind, uint64_t seed) {
  std::mt19937_64 rng(seed);
  Bytes file = original;
  CompoundLayout layout;
  switch (kind) {
    case DamageKind::kHeaderZeroed:
      std::fill(file.begin(),
                file.begin() + static_cast<std::ptrdiff_t>(std::min(kBlock, file.size())), 0);
      break;
    case DamageKind::kFatScrambled:
      if (ReadCompoundLayout(file, &layout)) ShuffleFat(file, layout, rng);
      break;
    case DamageKind::kDirectoryZeroed:
      if (ReadCompoundLayout(file, &layout))
        for (uint32_t sector : layout.directory_sectors) ZeroSector(file, layout, sector);
      break;
    case DamageKind::kTruncated:
      file.resize(file.size() * 4 / 5);
      break;
    case DamageKind::kSectorsOverwritten:
      OverwriteSectors(file, rng);
      break;
    case DamageKind::kEmbeddedInNoise:
      return EmbedInNoise(original, rng);
  }
  return file;
}

}  // namespace vlx::e2e
