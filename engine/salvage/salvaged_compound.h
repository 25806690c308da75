#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/salvage/directory_listing.h"

namespace vlx::salvage {

// One stream read back, its bytes in a workspace file.
struct SalvagedStream {
  CompoundItem item;
  std::string file;
  uint64_t guessed_sectors = 0;  // sectors placed without a chain in the table
  uint64_t missing_bytes = 0;    // bytes that lay past the end of the damaged file
  bool from_directory = true;    // false: found by its content, the name is ours
  bool stitched = false;         // sectors placed by the stream's records (chain lost)

  bool Exact() const { return guessed_sectors == 0 && missing_bytes == 0 && from_directory; }
};

// Everything read back from one compound file.
struct SalvagedCompound {
  ClassId root_clsid{};
  std::vector<CompoundItem> storages;  // parents before children
  std::vector<SalvagedStream> streams;
  std::string description;

  const SalvagedStream* Find(std::u16string_view top_level_name) const {
    for (const SalvagedStream& s : streams)
      if (s.item.path.size() == 1 && s.item.path[0] == top_level_name) return &s;
    return nullptr;
  }
};

}  // namespace vlx::salvage
