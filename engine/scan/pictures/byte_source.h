#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// Bytes the picture search reads: a damaged file, or a stream put together from one.
// Views are read on demand, so a source need not be in memory at once.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Up to count bytes from offset (fewer at the end, none past it); valid until the
  // next View.
  virtual ByteSpan View(uint64_t offset, size_t count) = 0;
  // Where the byte at offset lies in the damaged file (a put-together stream maps its
  // offsets through the sectors it was read from).
  virtual uint64_t FileOffsetOf(uint64_t offset) const { return offset; }
};

// Bytes already in memory.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(ByteSpan bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  ByteSpan View(uint64_t offset, size_t count) override {
    if (offset >= bytes_.size()) return {};
    const size_t from = static_cast<size_t>(offset);
    return bytes_.subspan(from, std::min(count, bytes_.size() - from));
  }

 private:
  ByteSpan bytes_;
};

}  // namespace vlx
