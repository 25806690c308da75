#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"
#include "engine/format/record_types.h"
#include "engine/format/workspace_files.h"
#include "engine/salvage/record_extent.h"

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

// The stream's own length, from its records as they lie from the hit on.
uint64_t CarvedDocumentLength(DamagedFile& file, uint64_t hit) {
  const salvage::StreamReader read = [&](uint64_t at, uint8_t* out, size_t n) {
    return file.ReadAt(hit + at, out, n);
  };
  return salvage::DocumentStreamLength(read, file.GetLength() - hit);
}

void RememberDocumentStart(RecoveryJob& job, uint64_t hit) {
  job.carved_document_at = hit;
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
    .stream_length = CarvedDocumentLength,
    .on_stream_found = RememberDocumentStart,
};

}  // namespace

const CarvingPhase& DocumentStreamPass() {
  return kDocumentPhase;
}

bool CarveDocumentStream(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kDocumentPhase);
}

}  // namespace vlx
