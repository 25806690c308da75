#include "engine/scan/block_scanner.h"

#include <algorithm>

#include "engine/format/record_header.h"

namespace vlx {

BlockScanner::BlockScanner(DamagedFile& file, uint64_t length, size_t block_size)
    : file_(file), length_(length), block_size_(block_size) {}

bool BlockScanner::Next() {
  if (started_) block_start_ += block_size_;
  started_ = true;
  if (block_start_ >= length_) {
    bytes_ = nullptr;
    positions_ = 0;
    return false;
  }
  Reload();
  return true;
}

void BlockScanner::Reload() {
  const uint64_t wanted = std::min<uint64_t>(block_size_ + kLookAhead, length_ - block_start_);
  size_t available = 0;
  file_.Seek(block_start_);
  bytes_ = file_.View(block_start_, static_cast<size_t>(wanted), &available);
  positions_ = available >= static_cast<size_t>(kRecordHeaderSize)
                   ? std::min(block_size_, available - kLookAhead)
                   : 0;
}

}  // namespace vlx
