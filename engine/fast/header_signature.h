#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vlx {

// A record header start: the first four bytes, read as a little-endian 32-bit value,
// match when (value & mask) == bits.
struct HeaderPattern {
  uint32_t mask;
  uint32_t bits;
};

// The headers a carving pass looks for, with a table of the bytes such a header can
// begin with: most tested offsets of other data are ruled out by one look at one byte,
// without reading the rest of the header.
class HeaderSignature {
 public:
  explicit HeaderSignature(std::span<const HeaderPattern> patterns);

  // Whether a header of the signature can begin with this byte.
  bool MayBeginWith(uint8_t byte) const { return may_begin_[byte] != 0; }

  // Whether the first four bytes of a header, read as a little-endian value, match.
  bool Matches(uint32_t start) const;

  // The first of the positions at, at + step, at + 2 * step, ... below end whose byte in
  // data may begin a header; when there is none, the first of them at or past end.
  // data must be readable at every position below end.
  size_t NextPossible(const uint8_t* data, size_t at, size_t end, size_t step) const;

 private:
  std::span<const HeaderPattern> patterns_;
  std::array<uint8_t, 256> may_begin_{};  // 0 or 1, or-ed without branches
};

}  // namespace vlx
