#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// The kind of stream whose records guide the stitching.
enum class StitchedStream { kDocument, kPictures };

// Places the sectors of a stream whose chain is lost, guided by its own records: the
// stream is walked record by record (into containers); a record header at stream
// offset S must lie at offset S mod sector size of the sector placed there, and a
// record that crosses a sector edge continues in the next one. Each sector is taken
// to follow its predecessor unless the header expected in it is not there; then the
// sector that holds a fitting header at that offset is searched for. Sectors the walk
// gives no evidence for follow their predecessor, except where that ran into a sector
// known to hold something else (foreign: another stream's first sector, a table's): the
// stream left its run of sectors there, and the sectors from that one on precede the
// sector the next header was found in. A sector whose header is not there but after
// which the records go on in the sectors that follow it (where its container ends) was
// destroyed in place, and keeps its place in the run. The user edits, their persist
// directories and the objects they name then place their sectors; where a destroyed
// edit breaks the chain, it is taken up again at the newest older edit found in the file.
// "Following" a sector means the one `table` (the file's allocation table, as far as it is
// known) names after it, where the page of the table holding that entry is sound, and
// the next sector of the file elsewhere: the chains the table still holds keep their runs.
StreamSectors StitchSectors(DamagedFile& file, const SectorGeometry& geometry, uint32_t start,
                            uint64_t size, StitchedStream kind,
                            const std::vector<uint32_t>& foreign = {},
                            const std::vector<uint32_t>& table = {});

}  // namespace vlx::salvage
