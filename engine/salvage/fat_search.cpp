#include "engine/salvage/fat_search.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_set>

#include "engine/format/byte_order.h"
#include "engine/salvage/allocation_page.h"

namespace vlx::salvage {
namespace {

constexpr size_t kSampledPages = 64;
constexpr size_t kScoredCandidates = 8;
constexpr size_t kMaxCandidates = 4;
constexpr size_t kMaxContestedPages = 2;

std::vector<uint32_t> Entries(const uint8_t* bytes, uint32_t count) {
  std::vector<uint32_t> entries(count);
  for (uint32_t i = 0; i < count; ++i) entries[i] = LoadU32(bytes + 4 * i);
  return entries;
}

// The pages that sit where a FAT mark says a FAT sector is, for the file whose sector
// 0 is block first_block, by page index (old copies of a page may claim one index too).
struct Claims {
  std::map<uint32_t, std::vector<uint32_t>> sectors_by_index;
  std::vector<uint32_t> unclaimed;
};

Claims ClaimPages(const std::vector<TablePage>& pages, const std::unordered_set<uint64_t>& marked,
                  uint64_t first_block) {
  Claims claims;
  std::vector<std::pair<uint32_t, uint32_t>> unmarked;  // (sector, page index)
  for (const TablePage& found : pages) {
    if (found.block < first_block) continue;
    const uint64_t sector = found.block - first_block;
    if (sector > kMaxRegularSector) continue;
    if (marked.count(sector) == 0) {
      unmarked.push_back({static_cast<uint32_t>(sector), found.page.page_index});
      continue;
    }
    claims.sectors_by_index[found.page.page_index].push_back(static_cast<uint32_t>(sector));
  }
  // The marks of a large FAT's last sectors lie in pages that hold nothing but marks,
  // which tell no page index and are not found. Where the claimed pages lie in one run
  // (page j at sector d + j), an unmarked page that continues that run at an index no
  // page claims is the FAT's too.
  std::map<uint32_t, size_t> runs;  // d -> pages of one claimant that lie at d + index
  for (const auto& [index, sectors] : claims.sectors_by_index)
    if (sectors.size() == 1 && sectors[0] >= index) ++runs[sectors[0] - index];
  std::optional<uint32_t> run;
  size_t longest = 1;
  for (const auto& [d, count] : runs) {
    if (count > longest) {
      longest = count;
      run = d;
    }
  }
  for (const auto& [sector, index] : unmarked) {
    if (run && sector == *run + index && claims.sectors_by_index.count(index) == 0) {
      claims.sectors_by_index[index].push_back(sector);
    } else {
      claims.unclaimed.push_back(sector);
    }
  }
  return claims;
}

// Reads pages [index, index + pages) of the table, whose sectors follow each other in the
// file from fat_sectors[index] on, in one read straight into the table.
void ReadPages(DamagedFile& file, RecoveredFat& fat, size_t index, size_t pages) {
  const size_t count = fat.geometry.EntriesPerSector();
  uint32_t* entries = fat.table.data() + index * count;
  auto* bytes = reinterpret_cast<uint8_t*>(entries);
  file.ReadAt(fat.geometry.SectorOffset(fat.fat_sectors[index]), bytes,
              pages * fat.geometry.sector_size);
  for (size_t e = 0; e < pages * count; ++e) entries[e] = LoadU32(bytes + 4 * e);
}

void ReadPage(DamagedFile& file, RecoveredFat& fat, size_t index) {
  ReadPages(file, fat, index, 1);
}

// Reads every page the table has a sector for; pages of consecutive indices in
// consecutive sectors (a FAT is mostly written in one run) are read together.
void ReadAllPages(DamagedFile& file, RecoveredFat& fat) {
  for (size_t index = 0; index < fat.fat_sectors.size();) {
    if (fat.fat_sectors[index] == kFree) {
      ++index;
      continue;
    }
    size_t end = index + 1;
    while (end < fat.fat_sectors.size() && fat.fat_sectors[end] != kFree &&
           fat.fat_sectors[end] == fat.fat_sectors[end - 1] + 1)
      ++end;
    ReadPages(file, fat, index, end - index);
    index = end;
  }
}

// Builds the table from the claims. Where several sectors claim one page, the one the
// table itself marks as a FAT sector is the live page (an old copy lies in a sector the
// live FAT calls free or gives to a stream); two rounds settle it.
std::optional<RecoveredFat> Assemble(DamagedFile& file, const Claims& claims, uint64_t first_block,
                                     uint32_t sector_size, uint64_t alignment) {
  if (first_block == 0 || claims.sectors_by_index.empty()) return std::nullopt;
  RecoveredFat fat;
  fat.geometry.sector_size = sector_size;
  fat.geometry.base = alignment + (first_block - 1) * sector_size;
  const uint32_t count = sector_size / 4;
  const uint32_t last_index = claims.sectors_by_index.rbegin()->first;
  fat.table.assign(static_cast<size_t>(last_index + 1) * count, kFree);
  fat.fat_sectors.assign(last_index + 1, kFree);
  for (const auto& [index, sectors] : claims.sectors_by_index)
    fat.fat_sectors[index] = sectors.back();
  ReadAllPages(file, fat);
  for (int round = 0; round < 2; ++round) {
    for (const auto& [index, sectors] : claims.sectors_by_index) {
      if (sectors.size() < 2) continue;
      for (uint32_t sector : sectors) {
        if (sector < fat.table.size() && fat.table[sector] == kFatMark &&
            fat.fat_sectors[index] != sector) {
          fat.fat_sectors[index] = sector;
          ReadPage(file, fat, index);
          break;
        }
      }
    }
  }
  fat.unclaimed_pages = claims.unclaimed;
  return fat;
}

}  // namespace

std::vector<RecoveredFat> FatFromPages(DamagedFile& file, const std::vector<TablePage>& pages,
                                       const SectorLayout& layout) {
  const uint32_t sector_size = layout.sector_size;
  const uint64_t alignment = layout.alignment;
  std::unordered_set<uint64_t> marked;
  for (const TablePage& found : pages)
    for (uint32_t n : found.page.fat_marks) marked.insert(n);
  if (marked.empty()) return {};

  // A FAT sector at block k with sector number n puts sector 0 at block k - n. Votes
  // from a sample of pages find the likely origins; each is then scored on all pages.
  std::map<uint64_t, size_t> sampled;
  for (size_t i = 0; i < pages.size() && i < kSampledPages; ++i)
    for (uint64_t n : marked)
      if (pages[i].block > n) ++sampled[pages[i].block - n];
  std::vector<std::pair<size_t, uint64_t>> ranked;
  for (const auto& [origin, votes] : sampled) ranked.push_back({votes, origin});
  std::sort(ranked.rbegin(), ranked.rend());
  if (ranked.size() > kScoredCandidates) ranked.resize(kScoredCandidates);
  std::vector<std::pair<size_t, uint64_t>> scored;
  for (const auto& [votes, origin] : ranked) {
    size_t score = 0;
    for (const TablePage& found : pages)
      if (found.block >= origin && marked.count(found.block - origin) != 0) ++score;
    scored.push_back({score, origin});
  }
  std::sort(scored.rbegin(), scored.rend());

  std::vector<RecoveredFat> result;
  for (const auto& [score, origin] : scored) {
    if (result.size() == kMaxCandidates) break;
    const Claims claims = ClaimPages(pages, marked, origin);
    auto fat = Assemble(file, claims, origin, sector_size, alignment);
    if (!fat) continue;
    // An old copy of a page that marks itself as a FAT sector cannot be told from the
    // live one here; each choice is a variant, and the directory's fit decides later.
    std::vector<RecoveredFat> variants;
    size_t contested = 0;
    for (const auto& [index, sectors] : claims.sectors_by_index) {
      if (sectors.size() < 2 || contested++ == kMaxContestedPages) continue;
      for (uint32_t sector : sectors) {
        if (sector == fat->fat_sectors[index]) continue;
        RecoveredFat variant = *fat;
        variant.fat_sectors[index] = sector;
        ReadPage(file, variant, index);
        variants.push_back(std::move(variant));
      }
    }
    result.push_back(std::move(*fat));
    for (RecoveredFat& variant : variants) result.push_back(std::move(variant));
  }
  return result;
}

std::vector<RecoveredFat> FindFatByContent(DamagedFile& file, uint32_t sector_size,
                                           uint64_t alignment) {
  return FindFatByContent(file, std::vector<SectorLayout>{{sector_size, alignment}}).front();
}

std::vector<std::vector<RecoveredFat>> FindFatByContent(DamagedFile& file,
                                                        const std::vector<SectorLayout>& layouts) {
  const std::vector<std::vector<TablePage>> pages = FindTablePages(file, layouts);
  std::vector<std::vector<RecoveredFat>> found;
  for (size_t k = 0; k < layouts.size(); ++k)
    found.push_back(FatFromPages(file, pages[k], layouts[k]));
  return found;
}

RecoveredFat ReadListedFat(DamagedFile& file, const SectorGeometry& geometry,
                           const std::vector<uint32_t>& fat_sectors) {
  RecoveredFat fat;
  fat.geometry = geometry;
  const uint32_t count = geometry.EntriesPerSector();
  const uint64_t limit = geometry.SectorCount(file.GetLength()) + 1;
  std::vector<uint8_t> sector(geometry.sector_size);
  size_t pages_read = 0;
  for (size_t index = 0; index < fat_sectors.size(); ++index) {
    file.ReadAt(geometry.SectorOffset(fat_sectors[index]), sector.data(), sector.size());
    const std::vector<uint32_t> entries = Entries(sector.data(), count);
    // A page without chains (marks and free entries only) tells no index but is still
    // a page; one whose chains belong elsewhere, or that is not a page, ends the table.
    const bool no_chains = std::none_of(entries.begin(), entries.end(), IsRegularSector);
    const auto page = ReadAsAllocationPage(entries.data(), count, limit);
    if (!no_chains && (!page || page->page_index != index))
      return RecoveredFat{geometry, {}, {}, {}};
    ++pages_read;
    fat.table.insert(fat.table.end(), entries.begin(), entries.end());
    fat.fat_sectors.push_back(fat_sectors[index]);
  }
  if (pages_read == 0) fat.table.clear();
  return fat;
}

}  // namespace vlx::salvage
