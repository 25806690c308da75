#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/fast/header_signature.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// Size of the blocks a carving pass reads and copies.
inline constexpr size_t kCarveBlockSize = 512;

// What a carving pass does with the first block whose header matches.
enum class CarveHit {
  kCopyToEnd,  // copy the stream from the hit: its own length, or up to the end of the file
  kTakeBlock,  // keep the one 512-byte block at the hit
};

// One carving pass over the damaged file, described by its parameters alone. The
// frame (RunCarvingPhase) does the scanning, reporting, stop tests and file writing.
struct CarvingPhase {
  int number;          // shown in the log line " Analyzing Phase <n>... "
  uint64_t step;       // distance between tested offsets
  uint64_t tail_skip;  // offsets at length - tail_skip or later are not tested
  // The block is a candidate when its first four bytes match any of these (bytes past
  // the file's end read as zero).
  std::span<const HeaderPattern> signature;
  // Tests the 32-bit length field at bytes 4-7 against the file length.
  bool (*length_test)(uint32_t record_length, uint64_t file_length);
  CarveHit hit;
  bool report_while_copying;  // progress and counter calls for every block copied
  const char* file_name;      // workspace file receiving the carved bytes
  int error_code;             // critical error when that file cannot be created
  // Called with the kept block of a kTakeBlock pass before it is written (may be null).
  void (*on_block_taken)(RecoveryJob& job, const uint8_t* block);
  // kCopyToEnd: the length of the stream that starts at the hit, when the phase can
  // tell it from the records (null: copy to the end of the file). Never more than
  // the bytes left in the file are copied.
  uint64_t (*stream_length)(DamagedFile& file, uint64_t hit) = nullptr;
  // kCopyToEnd: called with the file offset of the hit before the copy (may be null).
  void (*on_stream_found)(RecoveryJob& job, uint64_t hit) = nullptr;
};

// Runs one pass. Returns true when the pass ended normally, with or without a hit;
// false on a stop request or when its workspace file could not be created or written.
bool RunCarvingPhase(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase);

}  // namespace vlx
