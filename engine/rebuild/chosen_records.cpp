#include "engine/rebuild/chosen_records.h"

#include "engine/format/template_records.h"
#include "engine/rebuild/record_copy.h"

namespace vlx {

bool UsesFoundMaster(CandidateKind kind) {
  return kind == CandidateKind::kFoundMasterFoundStore ||
         kind == CandidateKind::kFoundMasterDefaultStore;
}

bool UsesFoundBlipStore(CandidateKind kind) {
  return kind == CandidateKind::kFoundMasterFoundStore ||
         kind == CandidateKind::kDefaultMasterFoundStore;
}

ChosenRecords LoadChosenRecords(const TemplateRecords& t, DamagedFile& file,
                                const MasterChoice& choice) {
  ChosenRecords records;
  if (UsesFoundBlipStore(choice.kind)) {
    records.blip_store = ReadChosenRecord(file, choice.blip_store_offset, choice.blip_store_length);
  } else {
    records.blip_store.assign(t.default_blip_store.begin(), t.default_blip_store.end());
  }
  if (UsesFoundMaster(choice.kind)) {
    records.master = ReadChosenRecord(file, choice.master_offset, choice.master_length);
  } else {
    records.master.assign(t.default_main_master.begin(), t.default_main_master.end());
  }
  return records;
}

}  // namespace vlx
