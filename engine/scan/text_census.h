#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// TextCharsAtoms with a length field of this or more are not taken.
inline constexpr uint32_t kMaxCharsAtomLength = 10000;

// Walks the body of one slide list (body_length is its header's length field; body
// holds the bytes of it that the file really has) and appends its texts to the first
// group of the store, numbering slides by their SlidePersistAtoms from 0.
void CollectSlideListTexts(const uint8_t* body, size_t size, uint64_t body_length,
                           SlideTextGroup& first_group);

// For every slide list found by the census, in list order: one new group in the
// store, and its texts appended to the store's first group. Checkpoints 15 and 16.
void ScanSlideTexts(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
