#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlx {

// The next symbol of a canonical prefix code read a bit at a time, its first bit first (as
// deflate and JPEG both write theirs): `count[n]` codes of length n, the symbols in code
// order. -1 where the bits name none.
template <typename Bits, typename Symbol, size_t Lengths>
int DecodeCanonical(Bits& in, const std::array<uint16_t, Lengths>& count,
                    const std::vector<Symbol>& symbol) {
  int value = 0, first = 0, index = 0;
  for (size_t length = 1; length < Lengths; ++length) {
    value |= in.Bit();
    const int codes = count[length];
    if (value - codes < first) {
      const auto at = static_cast<size_t>(index + (value - first));
      return at < symbol.size() ? static_cast<int>(symbol[at]) : -1;
    }
    index += codes;
    first = (first + codes) << 1;
    value <<= 1;
  }
  return -1;
}

}  // namespace vlx
