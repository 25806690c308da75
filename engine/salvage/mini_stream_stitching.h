#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// A small stream the directory names: its first mini sector, its name and its size.
struct SmallStreamStart {
  uint32_t mini_sector = 0;
  std::u16string name;
  uint64_t size = 0;
};

// Places the regular sectors of a mini stream whose chain is lost, guided by the small
// streams in it: a stream of a kind known by its first bytes (the Current User record,
// the two property sets, the document's first record) begins at its first mini
// sector's place, so the sector placed there must hold those bytes there, and where
// they tell the stream's length, it is the size the directory gives (an older copy of
// the stream, of an earlier save, tells another). A sector
// without such evidence follows its predecessor; where that one is not free (another
// stream's first sector, a table, a sector placed already) it precedes its successor.
// A sector that should hold a beginning and does not is searched for in the file.
StreamSectors StitchMiniStream(DamagedFile& file, const SectorGeometry& geometry, uint32_t start,
                               uint64_t size, const std::vector<SmallStreamStart>& streams,
                               const std::vector<uint32_t>& foreign);

// Whether the sectors of a mini stream hold, at their places, the first bytes of every
// small stream of a kind known by them, of the size the directory gives where they
// tell it: a chain that does not is an older one.
bool SmallStreamsBeginRight(DamagedFile& file, const SectorGeometry& geometry,
                            const std::vector<uint32_t>& sectors,
                            const std::vector<SmallStreamStart>& streams);

}  // namespace vlx::salvage
