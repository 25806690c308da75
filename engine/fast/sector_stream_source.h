#pragma once

#include <cstdint>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/chain_reader.h"
#include "engine/salvage/sector_geometry.h"
#include "engine/scan/pictures/byte_source.h"

namespace vlx {

// A stream read through the list of its sectors in the damaged file, for the picture
// search: views come from a window read ahead, and every offset maps back to the file.
class SectorStreamSource : public ByteSource {
 public:
  SectorStreamSource(DamagedFile& file, const salvage::SectorGeometry& geometry,
                     std::vector<uint32_t> sectors, uint64_t size);

  uint64_t size() const override { return size_; }
  ByteSpan View(uint64_t offset, size_t count) override;
  uint64_t FileOffsetOf(uint64_t offset) const override;

 private:
  salvage::SectorGeometry geometry_;
  std::vector<uint32_t> sectors_;
  salvage::ChainReader reader_;
  uint64_t size_;
  uint64_t window_start_ = 0;
  std::vector<uint8_t> window_;
};

}  // namespace vlx
