#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"

namespace vlx::salvage {

// What the check of a candidate "PowerPoint Document" stream (with its "Current User")
// found: the edit it followed, its persist objects, the slides of the slide list.
struct PresentationCheck {
  bool verified = false;
  std::string failure;                   // the first check that failed ("" when verified)
  std::optional<uint32_t> current_edit;  // the newest user edit, when one was found
  bool current_user_names_edit = false;  // the Current User led to that edit
  int edits = 0;
  int persist_objects = 0;
  int slides = 0;

  // One line for the log and the trace.
  std::string Summary() const;
};

// Checks the chain Current User -> UserEditAtom chain -> persist directories -> every
// persist object (a record of a persisted kind whose length fits the stream) -> the
// slides of the slide list. current_user may be null or stale: the check then starts
// from the newest user edit the stream holds and says so.
PresentationCheck CheckPresentation(DamagedFile& document,
                                    const std::vector<uint8_t>* current_user);

// The same check, told where the damaged file ended under the stream: file_ends_at is
// the stream offset past which the stream's bytes would have lain beyond the end of
// the file (UINT64_MAX when the stream was read back whole; 0 when not known). A
// genuine Current User naming an edit past the end of the stream but short of that
// offset names an edit this copy never held: the copy is stale or foreign and fails.
// Past it, the edit may have been lost with the file's end, and the check goes on
// from the newest edit the stream holds.
PresentationCheck CheckPresentation(DamagedFile& document, const std::vector<uint8_t>* current_user,
                                    uint64_t file_ends_at);

// The offset of the last user edit among the stream's top-level records.
std::optional<uint32_t> NewestUserEdit(DamagedFile& document);

}  // namespace vlx::salvage
