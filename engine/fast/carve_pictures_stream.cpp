#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"

namespace vlx {
namespace {

// Version 0 with the instance of an OfficeArt picture record (WMF, EMF, JPEG, PICT,
// PNG, DIB, and 0x800); the record type is not looked at.
constexpr HeaderPattern kPictureRecord[] = {
    {0xFFFF, 0x2160}, {0xFFFF, 0x3D40}, {0xFFFF, 0x46A0}, {0xFFFF, 0x5420},
    {0xFFFF, 0x6E00}, {0xFFFF, 0x7A80}, {0xFFFF, 0x8000},
};

// Shorter than the file; an empty record counts.
bool ShorterThanFile(uint32_t record_length, uint64_t file_length) {
  return record_length < file_length;
}

constexpr CarvingPhase kPicturesPhase{
    .number = 3,
    .step = 512,
    .tail_skip = 512,
    .signature = kPictureRecord,
    .length_test = ShorterThanFile,
    .hit = CarveHit::kCopyToEnd,
    .report_while_copying = true,
    .file_name = "picfile",
    .error_code = 9,
    .on_block_taken = nullptr,
};

}  // namespace

bool CarvePicturesStream(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kPicturesPhase);
}

}  // namespace vlx
