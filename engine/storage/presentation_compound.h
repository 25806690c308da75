#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/job/damaged_file.h"

namespace vlx {

// The three streams of a presentation file, in the order they are created.
inline constexpr const char* kPicturesStream = "Pictures";
inline constexpr const char* kCurrentUserStream = "Current User";
inline constexpr const char* kDocumentStream = "PowerPoint Document";

// The trace checkpoints one caller writes at each step of WritePresentationCompound;
// 0 = no checkpoint at that step.
struct PresentationCompoundMarks {
  int first = 0;
  int second = 0;
  int after_storage = 0;
  std::array<int, 3> after_stream = {};  // after each stream creation
  int after_all_streams = 0;
  int after_current_user = 0;
  int after_document = 0;
  int after_release = 0;
  int last = 0;  // also written when the file cannot be created
};

// Called with each checkpoint number of the marks as its step is reached.
using CheckpointWriter = std::function<void(int)>;

enum class CompoundWriteResult { kWritten, kNotCreated, kIncomplete };

// Writes a compound file at path holding "Pictures" (the pictures file), "Current User"
// (the 5120-byte Current User image) and "PowerPoint Document" (the document file). A
// null source leaves its stream empty; the stream still exists. kNotCreated when the file
// cannot be created (nothing is written then), kIncomplete when it could not be completely
// written.
CompoundWriteResult WritePresentationCompound(const PresentationCompoundMarks& marks,
                                              const CheckpointWriter& checkpoint,
                                              DamagedFile* pictures, DamagedFile* document,
                                              const std::string& path,
                                              const std::array<uint8_t, 5120>& current_user);

}  // namespace vlx
