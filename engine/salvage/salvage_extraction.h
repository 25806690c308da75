#pragma once

#include <string>

#include "engine/job/damaged_file.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/salvage/salvaged_compound.h"
#include "engine/salvage/sector_chain.h"

namespace vlx::salvage {

// Copies every stream the plan names into files "<prefix><n>" (and the mini stream
// into "<prefix>mini"), sector by sector: memory stays small whatever the stream
// sizes. False with a reason when a file cannot be written.
bool ExtractSalvage(DamagedFile& file, const SalvagePlan& plan, const std::string& prefix,
                    SalvagedCompound* out, std::string* error);

// The document stream's sectors as one plan places them, kept for the streams placed
// after it: the pictures' stitch leaves them alone, and placing them again would walk
// the document's records (and, where its edits are broken, the whole file) once more.
struct DocumentPlacement {
  bool placed = false;
  uint32_t start_sector = 0;  // of the document entry placed (a damaged directory may hold two)
  bool stitched = false;
  StreamSectors sectors;
};

// The regular sectors of a stream the plan names, in stream order: its chain, or, where
// the chain is lost and the stream is the document or the pictures, the sectors its own
// records place (stitched is then set). Calls for streams of the same plan share the
// document's placement through `document` when given.
StreamSectors RegularStreamSectors(DamagedFile& file, const SalvagePlan& plan,
                                   const CompoundItem& item, bool* stitched,
                                   DocumentPlacement* document = nullptr);

}  // namespace vlx::salvage
