#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// Size of the blocks a carving pass reads and copies.
inline constexpr size_t kCarveBlockSize = 512;

// What a carving pass does with the first block whose header matches.
enum class CarveHit {
  kCopyToEnd,  // copy everything from the hit to the last byte of the file
  kTakeBlock,  // keep the one 512-byte block at the hit
};

// One carving pass over the damaged file, described by its parameters alone. The
// frame (RunCarvingPhase) does the scanning, reporting, stop tests and file writing.
struct CarvingPhase {
  int number;          // shown in the log line " Analyzing Phase <n>... "
  uint64_t step;       // distance between tested offsets
  uint64_t tail_skip;  // offsets at length - tail_skip or later are not tested
  // Tests the first 8 bytes of a block (bytes past the file's end read as zero).
  bool (*signature)(const uint8_t* header);
  // Tests the 32-bit length field at bytes 4-7 against the file length.
  bool (*length_test)(uint32_t record_length, uint64_t file_length);
  CarveHit hit;
  bool report_while_copying;  // progress and counter calls for every block copied
  const char* file_name;      // workspace file receiving the carved bytes
  int error_code;             // critical error when that file cannot be created
  // Called with the kept block of a kTakeBlock pass before it is written (may be null).
  void (*on_block_taken)(const uint8_t* block);
};

// Runs one pass. Returns true when the pass ended normally, with or without a hit;
// false on a stop request or when its workspace file could not be created or written.
bool RunCarvingPhase(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase);

// Little-endian fields of a record header.
inline uint16_t HeaderWord(const uint8_t* header, size_t at) {
  return static_cast<uint16_t>(header[at] | (header[at + 1] << 8));
}
inline uint32_t HeaderLength(const uint8_t* header) {
  return static_cast<uint32_t>(header[4]) | (static_cast<uint32_t>(header[5]) << 8) |
         (static_cast<uint32_t>(header[6]) << 16) | (static_cast<uint32_t>(header[7]) << 24);
}

}  // namespace vlx
