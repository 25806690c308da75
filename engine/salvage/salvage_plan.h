#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/directory_listing.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// How the elements of one compound file can be read back: its geometry, the tables
// that survived and the elements their directory (or, without one, their content)
// names. Nothing is copied yet.
struct SalvagePlan {
  SectorGeometry geometry;
  std::vector<uint32_t> fat;       // empty when no FAT survived
  std::vector<uint32_t> mini_fat;  // empty when none survived
  uint32_t mini_stream_cutoff = 4096;
  CompoundItem mini_stream;  // the root's chain
  ClassId root_clsid{};
  std::vector<CompoundItem> items;
  // Sectors the surviving header names as the FAT's and the directory's first: no
  // stream's data lies in them.
  std::vector<uint32_t> table_sectors;
  bool directory_found = false;
  bool header_found = false;
  size_t fit_score = 0;             // how well the directory agrees with the tables and content
  uint64_t directory_modified = 0;  // the root entry's modification time (FILETIME)
  std::string description;          // what was found, for the log
};

// Finds the compound files in the damaged bytes and plans the salvage of each, the
// most complete first. At most a few plans (a disk image may hold several files).
std::vector<SalvagePlan> PlanSalvage(DamagedFile& file);

// How many salvages this process has planned: each reads the whole file, and a run is
// meant to plan once.
uint64_t SalvagePlanningCount();

}  // namespace vlx::salvage
