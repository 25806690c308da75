#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

// The passes of one file, run in turn, sharing one read of it: the pass that runs also
// tests the chunks it reads for the passes after it, and a later pass starts where that
// search got to, or at the candidate it found. Each pass still takes the first
// candidate from the start of the file, shows the same progress and ends the same way
// as a pass on its own; only the bytes are read once instead of once per pass.
class CarvingSearch {
 public:
  CarvingSearch(const DamagedFile& file, std::vector<const CarvingPhase*> phases);

  // Runs phases[index]. Returns true when the pass ended normally, with or without a
  // hit; false on a stop request or when its workspace file could not be created or
  // written.
  bool Run(RecoveryJob& job, DamagedFile& file, size_t index);

 private:
  // How far one pass's search has got: no offset below `offset` holds its candidate.
  struct Cursor {
    const CarvingPhase* phase;
    HeaderSignature signature;
    uint64_t limit;  // offsets from here on are not tested
    uint64_t offset = 0;
    std::optional<uint64_t> hit;

    bool Searching() const { return !hit && offset < limit; }
  };

  // Tests the offsets of `cursor` the chunk holds, from its offset up to `end` (the end
  // of the chunk at most), stopping at the first candidate.
  void SearchIn(Cursor& cursor, const uint8_t* chunk, uint64_t chunk_start, size_t available,
                uint64_t end) const;
  // The same for each later pass whose search has got into the chunk, through the
  // chunk's end, a header the end cuts read on its own.
  void SearchLaterPasses(DamagedFile& file, size_t index, const uint8_t* chunk,
                         uint64_t chunk_start, size_t available);
  bool IsCandidate(const Cursor& cursor, const uint8_t* header) const;

  uint64_t length_;
  std::vector<Cursor> cursors_;
};

// Runs one pass on its own (see CarvingSearch::Run).
bool RunCarvingPhase(RecoveryJob& job, DamagedFile& file, const CarvingPhase& phase);

}  // namespace vlx
