#pragma once

#include <cstdint>
#include <vector>

#include "engine/format/template_records.h"
#include "engine/job/damaged_file.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx {

// The blip store and master a rebuild is made from: read from the damaged file where
// the candidate kind names a found record, the program's default block otherwise.
struct ChosenRecords {
  std::vector<uint8_t> blip_store;
  std::vector<uint8_t> master;
};

bool UsesFoundMaster(CandidateKind kind);
bool UsesFoundBlipStore(CandidateKind kind);

ChosenRecords LoadChosenRecords(const TemplateRecords& templates, DamagedFile& file,
                                const MasterChoice& choice);

}  // namespace vlx
