#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/allocation_page.h"

namespace vlx::salvage {

// Where the sectors of a compound file may begin: sector_size-byte blocks at offsets
// congruent to alignment.
struct SectorLayout {
  uint32_t sector_size;
  uint64_t alignment;

  bool operator==(const SectorLayout&) const = default;
};

// A block that reads as a table page: its index among the layout's blocks, and the page.
struct TablePage {
  uint64_t block;
  AllocationPage page;
};

// The search for table pages, fed the chunks of a sequential pass over the file. Each
// layout is searched from the block where it was added, up to a given end, so that a
// layout learnt while the pass runs is searched from there on and its earlier blocks
// can be searched in a later, shorter pass.
class TablePageSearch {
 public:
  struct Searched {
    SectorLayout layout;
    uint64_t from = 0;   // the first block start searched (a file offset)
    uint64_t until = 0;  // blocks that begin here or later are not searched
    uint64_t next = 0;   // the next block start to look at
    uint64_t sector_limit = 0;
    std::vector<TablePage> pages;  // in block order
  };

  explicit TablePageSearch(uint64_t file_length) : length_(file_length) {}

  // Searches the layout's blocks that begin in [from, until); no-op for a layout
  // searched already.
  void Add(const SectorLayout& layout, uint64_t from, uint64_t until);
  void Drop(const SectorLayout& layout);
  bool Has(const SectorLayout& layout) const { return Find(layout) != nullptr; }
  const Searched* Find(const SectorLayout& layout) const;
  std::vector<Searched>& searched() { return searched_; }

  // Looks at the blocks that begin in [start, start + scan) and lie whole in the
  // view data[0, got) of the file at start.
  void Scan(const uint8_t* data, uint64_t start, size_t scan, size_t got);

  // The largest sector size searched: how far a view must reach past its chunk.
  uint32_t LargestSector() const;

 private:
  uint64_t length_;
  std::vector<Searched> searched_;
  std::vector<uint32_t> entries_;
};

// Every table page of each layout, in one sequential pass over the file.
std::vector<std::vector<TablePage>> FindTablePages(DamagedFile& file,
                                                   const std::vector<SectorLayout>& layouts);

}  // namespace vlx::salvage
