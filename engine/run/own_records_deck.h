#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The presentation made of the damaged file's own streams: the Document stream as it was
// found when it verifies whole, otherwise rebuilt from its whole persisted records (the
// damaged slides left out), with the Current User, the Pictures and every other stream
// the salvage read back. Assembled as a compound file in the workspace.
struct OwnRecordsDeck {
  std::string compound;            // the assembled file in the workspace
  std::string method;              // how its streams were read back
  bool document_as_found = false;  // the Document stream is the file's own, byte for byte
  std::vector<std::string> repairs;
  int slides = 0;                         // slides of the checked slide list
  std::vector<uint32_t> slides_left_out;  // persist ids of slides whose records are damaged
  int slides_stood_in = 0;                // damaged slides rebuilt from their list texts
  std::set<std::string> carried_texts;    // comparable texts its records hold
  std::string refused;                    // why the other stream sets gave no deck
};

// Reads back the damaged file's streams and assembles the best deck that passes the
// presentation check (the most whole slides, then the most slides; the stream as
// found before a rebuilt one).
// nullopt, with the reasons in *why, when no stream set gives one.
std::optional<OwnRecordsDeck> PrepareOwnRecordsDeck(RecoveryJob& job, DamagedFile& file,
                                                    std::string* why);

}  // namespace vlx
