#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vlx {

class RecoveryJob;
class DamagedFile;

// Which records a master-slide trial was built from.
enum class CandidateKind : int {
  kFoundMasterFoundStore = 1,
  kDefaultMasterFoundStore = 2,
  kDefaultMasterDefaultStore = 3,
  kFoundMasterDefaultStore = 4,
};

// One previewed trial. Lengths are whole records (header included). Where a default
// block stood in for a record, its two fields are unused.
struct MasterCandidate {
  uint64_t master_offset = 0;
  uint64_t master_length = 0;
  uint64_t blip_store_offset = 0;
  uint64_t blip_store_length = 0;
  int index = 0;               // list item index (0-based)
  std::string thumbnail_path;  // preview picture, when one was kept
  bool own_masters = false;    // the deck of the file's own records, with its own masters
};

// What the user chose.
struct MasterChoice {
  CandidateKind kind = CandidateKind::kDefaultMasterDefaultStore;
  uint64_t master_offset = 0;
  uint64_t master_length = 0;
  uint64_t blip_store_offset = 0;
  uint64_t blip_store_length = 0;
  bool own_masters = false;  // keep the deck of the file's own records; nothing is rebuilt
};

// The master-slide selection as the standard pipeline runs it: searches the trials,
// lets someone choose, returns the choice, or nullopt when cancelled. The desktop
// dialog and the command line each implement it.
class MasterSlideDialog {
 public:
  virtual ~MasterSlideDialog() = default;
  virtual std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile& file) = 0;
};

}  // namespace vlx
