#include "engine/scan/pictures/png_row_filters.h"

#include <cstdlib>

namespace vlx {
namespace {

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// What `filter` predicts for byte i, from the unfiltered bytes of the row so far and above.
int Predict(uint8_t filter, std::span<const uint8_t> line, std::span<const uint8_t> prior,
            size_t pixel_bytes, size_t i) {
  const int a = i >= pixel_bytes ? line[i - pixel_bytes] : 0;
  const int b = prior[i];
  const int c = i >= pixel_bytes ? prior[i - pixel_bytes] : 0;
  switch (filter) {
    case 1:
      return a;
    case 2:
      return b;
    case 3:
      return (a + b) / 2;
    case 4:
      return Paeth(a, b, c);
    default:
      return 0;
  }
}

}  // namespace

void UnfilterPngRow(uint8_t filter, std::span<const uint8_t> in, std::span<const uint8_t> prior,
                    size_t pixel_bytes, std::span<uint8_t> out, std::span<const uint8_t> known,
                    std::span<const uint8_t> stand_in) {
  for (size_t i = 0; i < in.size(); ++i) {
    const int predicted = Predict(filter, out, prior, pixel_bytes, i);
    if (known.empty() || known[i] != 0) {
      out[i] = static_cast<uint8_t>(in[i] + predicted);
    } else if (stand_in.empty() &&
               (filter == 2 || filter == 4 || (filter != 0 && i >= pixel_bytes))) {
      // A lost residual: in the smooth parts a filter is chosen for, it is near zero (where
      // the filter predicts from a neighbour; else the byte above stands in).
      out[i] = static_cast<uint8_t>(predicted);
    } else {
      out[i] = stand_in.empty() ? prior[i] : stand_in[i];
    }
  }
}

void FilterPngRowBest(std::span<const uint8_t> row, std::span<const uint8_t> prior,
                      size_t pixel_bytes, std::span<uint8_t> out) {
  uint8_t best = 0;
  uint64_t best_sum = UINT64_MAX;
  for (uint8_t filter = 0; filter <= 4; ++filter) {
    uint64_t sum = 0;
    for (size_t i = 0; i < row.size() && sum < best_sum; ++i) {
      const auto residual = static_cast<int8_t>(
          static_cast<uint8_t>(row[i] - Predict(filter, row, prior, pixel_bytes, i)));
      sum += static_cast<uint64_t>(std::abs(int{residual}));
    }
    if (sum < best_sum) {
      best_sum = sum;
      best = filter;
    }
  }
  out[0] = best;
  for (size_t i = 0; i < row.size(); ++i)
    out[1 + i] = static_cast<uint8_t>(row[i] - Predict(best, row, prior, pixel_bytes, i));
}

}  // namespace vlx
