#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"
#include "engine/format/record_types.h"
#include "engine/format/workspace_files.h"

namespace vlx {
namespace {

// Document container: byte 0 = 0x0F (container nibble, instance 0 in its high half),
// record type 1000; byte 1 is not looked at.
constexpr HeaderPattern kDocumentContainer[] = {
    {0xFFFF00FF, uint32_t{kTypeDocument} << 16 | kContainerMark}};

// A positive signed length that fits in the file.
bool FitsInFile(uint32_t record_length, uint64_t file_length) {
  return static_cast<int32_t>(record_length) > 0 && record_length < file_length;
}

constexpr CarvingPhase kDocumentPhase{
    .number = 1,
    .step = 512,
    .tail_skip = 0,
    .signature = kDocumentContainer,
    .length_test = FitsInFile,
    .hit = CarveHit::kCopyToEnd,
    .report_while_copying = false,
    .file_name = kCarvedDocumentFile,
    .error_code = 10,
    .on_block_taken = nullptr,
};

}  // namespace

bool CarveDocumentStream(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kDocumentPhase);
}

}  // namespace vlx
