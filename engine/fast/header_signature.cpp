#include "engine/fast/header_signature.h"

namespace vlx {

HeaderSignature::HeaderSignature(std::span<const HeaderPattern> patterns) : patterns_(patterns) {
  for (int byte = 0; byte < 256; ++byte)
    for (const HeaderPattern& pattern : patterns)
      if ((static_cast<uint32_t>(byte) & pattern.mask & 0xFF) == (pattern.bits & 0xFF))
        may_begin_[static_cast<size_t>(byte)] = 1;
}

bool HeaderSignature::Matches(uint32_t start) const {
  for (const HeaderPattern& pattern : patterns_)
    if ((start & pattern.mask) == pattern.bits) return true;
  return false;
}

size_t HeaderSignature::NextPossible(const uint8_t* data, size_t at, size_t end,
                                     size_t step) const {
  // Four positions a round while all four lie below end: the loads do not wait on each
  // other, and a round with a possible byte among them is settled one by one below.
  while (end > 3 * step && at < end - 3 * step) {
    if (may_begin_[data[at]] | may_begin_[data[at + step]] | may_begin_[data[at + 2 * step]] |
        may_begin_[data[at + 3 * step]])
      break;
    at += 4 * step;
  }
  while (at < end && may_begin_[data[at]] == 0) at += step;
  return at;
}

}  // namespace vlx
