#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vlx {

// PNG's five row filters. `pixel_bytes` is the byte distance between neighbouring pixels
// (at least 1); `prior` is the unfiltered row above (zeros for the first row).

// Undoes `filter` (0 to 4; another value reads as none) on `in`, the row's bytes after its
// filter byte, into `out`. Where `known` is given and 0 for a byte of `in`, that byte was
// lost: the byte of `stand_in` stands in for it; when none is given, what the filter
// predicts (the residual taken as zero), or in a row not filtered the byte above.
void UnfilterPngRow(uint8_t filter, std::span<const uint8_t> in, std::span<const uint8_t> prior,
                    size_t pixel_bytes, std::span<uint8_t> out, std::span<const uint8_t> known = {},
                    std::span<const uint8_t> stand_in = {});

// Filters `row` with the filter that leaves the smallest sum of residuals (as signed bytes),
// the usual guess at what packs best: writes the filter byte then the residuals to `out`
// (one byte longer than `row`).
void FilterPngRowBest(std::span<const uint8_t> row, std::span<const uint8_t> prior,
                      size_t pixel_bytes, std::span<uint8_t> out);

}  // namespace vlx
