#pragma once

#include <string>

#include "engine/job/damaged_file.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/salvage/salvaged_compound.h"

namespace vlx::salvage {

// Copies every stream the plan names into files "<prefix><n>" (and the mini stream
// into "<prefix>mini"), sector by sector: memory stays small whatever the stream
// sizes. False with a reason when a file cannot be written.
bool ExtractSalvage(DamagedFile& file, const SalvagePlan& plan, const std::string& prefix,
                    SalvagedCompound* out, std::string* error);

}  // namespace vlx::salvage
