#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/job/damaged_file.h"

namespace vlx {

// Walks a file block by block and hands out each block's bytes together with the 7
// bytes that follow it, so that every position whose 8-byte header lies inside the
// file belongs to exactly one block and can be decoded without a copy.
class BlockScanner {
 public:
  static constexpr size_t kLookAhead = 7;

  // length: the file length the scan works with (bytes beyond what the file really
  // holds are never tested). block_size: 512 for the census, 64 KiB for pictures.
  BlockScanner(DamagedFile& file, uint64_t length, size_t block_size);

  // Moves to the next block (the first call moves to block 0); false past the end.
  bool Next();

  uint64_t block_start() const { return block_start_; }

  // Positions i of the block whose header bytes bytes()[i] … bytes()[i + 7] were read
  // from the file; bytes() holds positions() + 7 readable bytes.
  size_t positions() const { return positions_; }
  const uint8_t* bytes() const { return bytes_; }

  // Views the block again: any other read of the same file may have moved the
  // file's buffer away from it.
  void Reload();

 private:
  DamagedFile& file_;
  uint64_t length_;
  size_t block_size_;
  bool started_ = false;
  uint64_t block_start_ = 0;
  const uint8_t* bytes_ = nullptr;
  size_t positions_ = 0;
};

}  // namespace vlx
