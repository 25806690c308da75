#include <cstring>

#include "engine/fast/carve_streams.h"
#include "engine/fast/carving_frame.h"
#include "engine/format/record_types.h"
#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"

namespace vlx {
namespace {

// CurrentUserAtom: version/instance word 0, record type 0x0FF6.
constexpr HeaderPattern kCurrentUserAtom[] = {{0xFFFFFFFF, uint32_t{kTypeCurrentUserAtom} << 16}};

bool AnyLength(uint32_t, uint64_t) {
  return true;
}

// The found block replaces the start of the Current User image; the change lasts for
// later runs until another block is found.
void ReplaceCurrentUserStart(RecoveryJob& job, const uint8_t* block) {
  std::memcpy(job.templates().current_user_image.data(), block, kCarveBlockSize);
}

constexpr CarvingPhase kCurrentUserPhase{
    .number = 2,
    .step = 64,
    .tail_skip = 0,
    .signature = kCurrentUserAtom,
    .length_test = AnyLength,
    .hit = CarveHit::kTakeBlock,
    .report_while_copying = false,
    .file_name = kCarvedCurrentUserFile,
    .error_code = 11,
    .on_block_taken = ReplaceCurrentUserStart,
};

}  // namespace

const CarvingPhase& CurrentUserPass() {
  return kCurrentUserPhase;
}

bool CarveCurrentUser(RecoveryJob& job, DamagedFile& file) {
  return RunCarvingPhase(job, file, kCurrentUserPhase);
}

}  // namespace vlx
