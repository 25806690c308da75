#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/sector_geometry.h"

namespace vlx::salvage {

// Reads a stream through the list of its sectors (regular sectors of the damaged
// file, or mini sectors of a mini stream file). Bytes past the end of the underlying
// file read as zero and are counted as missing.
class ChainReader {
 public:
  // unit: sector size; offset_of(n) = where sector n begins in file.
  ChainReader(DamagedFile& file, std::vector<uint32_t> sectors, uint32_t unit, uint64_t origin,
              bool header_block)
      : file_(file),
        sectors_(std::move(sectors)),
        unit_(unit),
        origin_(origin),
        header_block_(header_block) {}

  static ChainReader Regular(DamagedFile& file, const SectorGeometry& geometry,
                             std::vector<uint32_t> sectors) {
    return ChainReader(file, std::move(sectors), geometry.sector_size, geometry.base, true);
  }
  static ChainReader Mini(DamagedFile& mini_stream, std::vector<uint32_t> sectors) {
    return ChainReader(mini_stream, std::move(sectors), 64, 0, false);
  }

  uint64_t capacity() const { return uint64_t{sectors_.size()} * unit_; }
  uint64_t missing() const { return missing_; }

  // Reads count bytes at stream offset; returns how many lay inside the chain.
  size_t Read(uint64_t offset, uint8_t* out, size_t count);

 private:
  DamagedFile& file_;
  std::vector<uint32_t> sectors_;
  uint32_t unit_;
  uint64_t origin_;
  bool header_block_;
  uint64_t missing_ = 0;
};

}  // namespace vlx::salvage
