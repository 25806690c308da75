#pragma once

#include <cstdint>

#include "engine/format/record_header.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The container kinds the census collects, one job list each.
enum class StructureKind { kNone, kDrawing, kProgTags, kBlipStore, kMainMaster, kSlideList };

// Which list, if any, a header found anywhere in a file of file_length bytes belongs to.
StructureKind ClassifyStructure(const RecordHeader& header, uint64_t file_length);

// The job's list for a kind (kNone has none).
FoundRecordList& StructureList(RecoveryJob& job, StructureKind kind);

// Tests every byte position of the file (job.file_length bytes, which must be set) and
// appends each drawing, ProgTags, blip store, main master and slide list found, nested
// and overlapping ones included, to the job's lists in file order. Reports the block
// percentage; does not look at the stop flag.
void ScanSlideStructures(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
