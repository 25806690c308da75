#include "engine/salvage/table_page_search.h"

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {
namespace {

constexpr size_t kChunk = size_t{1} << 20;

// Whether the sector_size bytes at block read as a table page; appended when they do.
void TestBlock(const uint8_t* block, uint32_t sector_size, uint64_t limit, uint64_t index,
               std::vector<uint32_t>& entries, std::vector<TablePage>& pages) {
  const uint32_t count = sector_size / 4;
  // Most blocks are stream data: one entry that is neither a mark nor a sector of the
  // file rules the block out before it is decoded.
  for (uint32_t i = 0; i < count; i += 16) {
    const uint32_t v = LoadU32(block + 4 * i);
    if (v < kDifatMark && v >= limit) return;
  }
  entries.resize(count);
  for (uint32_t i = 0; i < count; ++i) entries[i] = LoadU32(block + 4 * i);
  auto page = ReadAsAllocationPage(entries.data(), count, limit);
  if (page) pages.push_back({index, std::move(*page)});
}

// The first block start of the layout at or after offset.
uint64_t FirstBlockFrom(const SectorLayout& layout, uint64_t offset) {
  if (offset <= layout.alignment) return layout.alignment;
  const uint64_t blocks = (offset - layout.alignment + layout.sector_size - 1) / layout.sector_size;
  return layout.alignment + blocks * layout.sector_size;
}

}  // namespace

void TablePageSearch::Add(const SectorLayout& layout, uint64_t from, uint64_t until) {
  if (Has(layout)) return;
  Searched s;
  s.layout = layout;
  s.from = FirstBlockFrom(layout, from);
  s.next = s.from;
  s.until = until;
  if (layout.alignment < length_)
    s.sector_limit = (length_ - layout.alignment) / layout.sector_size + 1;
  searched_.push_back(std::move(s));
}

void TablePageSearch::Drop(const SectorLayout& layout) {
  searched_.erase(std::remove_if(searched_.begin(), searched_.end(),
                                 [&](const Searched& s) { return s.layout == layout; }),
                  searched_.end());
}

const TablePageSearch::Searched* TablePageSearch::Find(const SectorLayout& layout) const {
  for (const Searched& s : searched_)
    if (s.layout == layout) return &s;
  return nullptr;
}

uint32_t TablePageSearch::LargestSector() const {
  uint32_t largest = 0;
  for (const Searched& s : searched_) largest = std::max(largest, s.layout.sector_size);
  return largest;
}

void TablePageSearch::Scan(const uint8_t* data, uint64_t start, size_t scan, size_t got) {
  const uint64_t chunk_end = start + std::min(scan, got);
  for (Searched& s : searched_) {
    if (s.layout.alignment >= length_) continue;
    const uint32_t size = s.layout.sector_size;
    for (; s.next < chunk_end && s.next < s.until && s.next + size <= start + got; s.next += size)
      TestBlock(data + (s.next - start), size, s.sector_limit, (s.next - s.layout.alignment) / size,
                entries_, s.pages);
  }
}

std::vector<std::vector<TablePage>> FindTablePages(DamagedFile& file,
                                                   const std::vector<SectorLayout>& layouts) {
  const uint64_t length = file.GetLength();
  TablePageSearch search(length);
  for (const SectorLayout& layout : layouts) search.Add(layout, 0, length);
  const uint32_t largest = search.LargestSector();
  for (uint64_t start = 0; start < length && !layouts.empty(); start += kChunk) {
    size_t got = 0;
    const uint8_t* data = file.View(start, kChunk + largest, &got);
    if (data == nullptr) break;
    search.Scan(data, start, kChunk, got);
  }
  std::vector<std::vector<TablePage>> pages;
  for (const SectorLayout& layout : layouts) {
    const TablePageSearch::Searched* s = search.Find(layout);
    pages.push_back(s != nullptr ? s->pages : std::vector<TablePage>{});
  }
  return pages;
}

}  // namespace vlx::salvage
