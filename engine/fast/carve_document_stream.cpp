#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"

namespace vlx {
namespace {

// Document container: a container version nibble (byte 1 is not looked at) and type 1000.
bool IsDocumentContainer(const uint8_t* header) {
  return header[0] == 0x0F && HeaderWord(header, 2) == 0x03E8;
}

// A positive signed length that fits in the file.
bool FitsInFile(uint32_t record_length, uint64_t file_length) {
  return static_cast<int32_t>(record_length) > 0 && record_length < file_length;
}

constexpr CarvingPhase kDocumentPhase{
    .number = 1,
    .step = 512,
    .tail_skip = 0,
    .signature = IsDocumentContainer,
    .length_test = FitsInFile,
    .hit = CarveHit::kCopyToEnd,
    .report_while_copying = false,
    .file_name = "docfile",
    .error_code = 10,
    .on_block_taken = nullptr,
};

}  // namespace

bool CarveDocumentStream(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kDocumentPhase);
}

}  // namespace vlx
