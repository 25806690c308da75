#pragma once

#include <array>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The three streams of a presentation file, in the order they are created.
inline constexpr const char* kPicturesStream = "Pictures";
inline constexpr const char* kCurrentUserStream = "Current User";
inline constexpr const char* kDocumentStream = "PowerPoint Document";

// The trace checkpoints one caller writes at each step of WritePresentationCompound,
// and the critical error it shows; 0 = no checkpoint at that step.
struct PresentationCompoundMarks {
  int first = 0;
  int second = 0;
  int storage_error = 0;  // critical error when the file cannot be created
  int after_storage = 0;
  std::array<int, 3> after_stream = {};  // after each stream creation
  int after_all_streams = 0;
  int after_current_user = 0;
  int after_document = 0;
  int after_release = 0;
  int last = 0;  // also written when the file cannot be created
};

// Writes a compound file at path holding "Pictures" (the pictures file), "Current User"
// (the 5120 bytes of the template Current User image) and "PowerPoint Document" (the
// document file). A null source leaves its stream empty; the stream still exists.
// When the file cannot be created the critical error is shown and nothing is written.
// Returns true when the file was created and completely written.
// current_user replaces the template image when given.
bool WritePresentationCompound(RecoveryJob& job, const PresentationCompoundMarks& marks,
                               DamagedFile* pictures, DamagedFile* document,
                               const std::string& path,
                               const std::array<uint8_t, 5120>* current_user = nullptr);

}  // namespace vlx
