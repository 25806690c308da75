#include "engine/salvage/compound_scan.h"

#include <algorithm>
#include <set>
#include <utility>

namespace vlx::salvage {
namespace {

constexpr size_t kChunk = size_t{1} << 20;
constexpr uint32_t kLargestSector = 4096;

using Alignment = std::pair<uint32_t, uint64_t>;  // (sector size, offset modulo it)

void Learn(std::set<Alignment>& alignments, const std::vector<uint64_t>& offsets, size_t* seen) {
  for (; *seen < offsets.size(); ++*seen)
    for (uint32_t size : {4096u, 512u}) alignments.insert({size, offsets[*seen] % size});
}

}  // namespace

CompoundScan ScanForCompoundFiles(DamagedFile& file, size_t max_layouts) {
  const uint64_t length = file.GetLength();
  CompoundScan scan(length);
  std::set<Alignment> alignments;
  size_t signatures_seen = 0;
  size_t roots_seen = 0;
  for (uint64_t start = 0; start < length; start += kChunk) {
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + kLargestSector, &got);
    if (data == nullptr) break;
    FindCompoundMarksIn(data, start, kChunk, got, scan.marks);
    Learn(alignments, scan.marks.signatures, &signatures_seen);
    Learn(alignments, scan.marks.root_entries, &roots_seen);
    // The first layouts in order are searched from this chunk on; one that a layout
    // learnt later put out of their number is searched no more.
    std::vector<SectorLayout> wanted;
    for (const auto& [size, alignment] : alignments) {
      if (wanted.size() == max_layouts) break;
      wanted.push_back({size, alignment});
    }
    std::vector<SectorLayout> unwanted;
    for (const TablePageSearch::Searched& s : scan.pages.searched())
      if (std::find(wanted.begin(), wanted.end(), s.layout) == wanted.end())
        unwanted.push_back(s.layout);
    for (const SectorLayout& layout : unwanted) scan.pages.Drop(layout);
    for (const SectorLayout& layout : wanted) scan.pages.Add(layout, start, length);
    scan.pages.Scan(data, start, kChunk, got);
  }
  return scan;
}

std::vector<std::vector<TablePage>> TablePagesOf(DamagedFile& file, CompoundScan& scan,
                                                 const std::vector<SectorLayout>& layouts) {
  const uint64_t length = file.GetLength();
  TablePageSearch earlier(length);
  uint64_t reach = 0;
  for (const SectorLayout& layout : layouts) {
    const TablePageSearch::Searched* done = scan.pages.Find(layout);
    const uint64_t until = done != nullptr ? done->from : length;
    earlier.Add(layout, 0, until);
    if (until > layout.alignment) reach = std::max(reach, until);
  }
  const uint32_t largest = earlier.LargestSector();
  for (uint64_t start = 0; start < reach; start += kChunk) {
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + largest, &got);
    if (data == nullptr) break;
    earlier.Scan(data, start, kChunk, got);
  }
  std::vector<std::vector<TablePage>> pages;
  for (const SectorLayout& layout : layouts) {
    std::vector<TablePage> found = earlier.Find(layout)->pages;
    if (const TablePageSearch::Searched* done = scan.pages.Find(layout))
      found.insert(found.end(), done->pages.begin(), done->pages.end());
    pages.push_back(std::move(found));
  }
  return pages;
}

}  // namespace vlx::salvage
