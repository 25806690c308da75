#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_entry.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// An element of the compound file as its directory names it: its path from the root
// (storage names, then its own), and where its bytes are.
struct CompoundItem {
  std::vector<std::u16string> path;
  EntryType type = EntryType::kStream;
  ClassId clsid{};
  uint32_t start_sector = 0;
  uint64_t size = 0;
};

// The directory read from its sectors: the root entry and every element reachable
// from it through the sibling trees.
struct DirectoryListing {
  DirectoryEntryRecord root;
  std::vector<CompoundItem> items;  // storages before their contents
};

// Reads the directory starting at sector start: along its chain in fat, or, when fat
// is empty, through the following sectors for as long as they read as entries.
// Empty (no root) when the first entry is not a root entry.
DirectoryListing ReadDirectory(DamagedFile& file, const SectorGeometry& geometry,
                               const std::vector<uint32_t>& fat, uint32_t start);

}  // namespace vlx::salvage
