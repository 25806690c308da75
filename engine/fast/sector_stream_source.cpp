#include "engine/fast/sector_stream_source.h"

#include <algorithm>

namespace vlx {
namespace {

constexpr size_t kReadAhead = size_t{1} << 20;

}  // namespace

SectorStreamSource::SectorStreamSource(DamagedFile& file, const salvage::SectorGeometry& geometry,
                                       std::vector<uint32_t> sectors, uint64_t size)
    : geometry_(geometry),
      sectors_(sectors),
      reader_(salvage::ChainReader::Regular(file, geometry, std::move(sectors))),
      size_(std::min(size, reader_.capacity())) {}

ByteSpan SectorStreamSource::View(uint64_t offset, size_t count) {
  if (offset >= size_) return {};
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  const bool inside = offset >= window_start_ && offset + wanted <= window_start_ + window_.size();
  if (!inside) {
    const size_t fill =
        static_cast<size_t>(std::min<uint64_t>(std::max(wanted, kReadAhead), size_ - offset));
    window_.resize(fill);
    window_.resize(reader_.Read(offset, window_.data(), fill));
    window_start_ = offset;
    if (window_.size() < wanted) return ByteSpan(window_);
  }
  return ByteSpan(window_).subspan(static_cast<size_t>(offset - window_start_), wanted);
}

uint64_t SectorStreamSource::FileOffsetOf(uint64_t offset) const {
  const uint64_t index = offset / geometry_.sector_size;
  if (index >= sectors_.size()) return offset;
  return geometry_.SectorOffset(sectors_[index]) + offset % geometry_.sector_size;
}

}  // namespace vlx
