#include <array>

#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"
#include "engine/format/record_types.h"
#include "engine/format/workspace_files.h"
#include "engine/salvage/record_extent.h"

namespace vlx {
namespace {

// A picture record's version/instance word; the record type is not looked at.
constexpr std::array<HeaderPattern, kPictureRecordWords.size()> PictureRecordPatterns() {
  std::array<HeaderPattern, kPictureRecordWords.size()> patterns{};
  for (size_t i = 0; i < patterns.size(); ++i) patterns[i] = {0xFFFF, kPictureRecordWords[i]};
  return patterns;
}
constexpr auto kPictureRecord = PictureRecordPatterns();

// Shorter than the file; an empty record counts.
bool ShorterThanFile(uint32_t record_length, uint64_t file_length) {
  return record_length < file_length;
}

// The stream's own length, from its records as they lie from the hit on.
uint64_t CarvedPicturesLength(DamagedFile& file, uint64_t hit) {
  const salvage::StreamReader read = [&](uint64_t at, uint8_t* out, size_t n) {
    return file.ReadAt(hit + at, out, n);
  };
  return salvage::PicturesStreamLength(read, file.GetLength() - hit);
}

constexpr CarvingPhase kPicturesPhase{
    .number = 3,
    .step = 512,
    .tail_skip = 512,
    .signature = kPictureRecord,
    .length_test = ShorterThanFile,
    .hit = CarveHit::kCopyToEnd,
    .report_while_copying = true,
    .file_name = kCarvedPicturesFile,
    .error_code = 9,
    .on_block_taken = nullptr,
    .stream_length = CarvedPicturesLength,
};

}  // namespace

const CarvingPhase& PicturesStreamPass() {
  return kPicturesPhase;
}

bool CarvePicturesStream(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kPicturesPhase);
}

}  // namespace vlx
