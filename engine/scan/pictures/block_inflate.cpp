#include "engine/scan/pictures/block_inflate.h"

#include <zlib.h>

#include <algorithm>

namespace vlx {

struct BlockInflater::Stream {
  z_stream z{};
  bool ready = false;
};

BlockInflater::BlockInflater(size_t expected)
    : stream_(std::make_unique<Stream>()), out_(expected) {
  stream_->ready = inflateInit(&stream_->z) == Z_OK;
  failed_ = !stream_->ready;
  stream_->z.next_out = out_.data();
  stream_->z.avail_out = static_cast<uInt>(expected);
}

BlockInflater::~BlockInflater() {
  if (stream_->ready) inflateEnd(&stream_->z);
}

size_t BlockInflater::produced() const {
  return out_.size() - stream_->z.avail_out;
}

bool BlockInflater::Feed(std::span<const uint8_t> data, uint64_t stream_offset) {
  z_stream& z = stream_->z;
  for (size_t i = 0; i < data.size();) {
    if (ended_ || failed_ || z.avail_out == 0) return false;
    const size_t in_block = static_cast<size_t>((stream_offset + i) % kDamageBlock);
    const size_t n = std::min(data.size() - i, kDamageBlock - in_block);
    marks_.push_back(produced());
    inputs_.push_back(fed_);
    fed_ += n;
    z.next_in = const_cast<Bytef*>(data.data() + i);
    z.avail_in = static_cast<uInt>(n);
    const int result = inflate(&z, Z_NO_FLUSH);
    ended_ = result == Z_STREAM_END;
    failed_ = result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR;
    i += n;
  }
  return !ended_ && !failed_ && z.avail_out > 0;
}

size_t BlockInflater::PieceHolding(size_t at) const {
  size_t piece = 0;
  while (piece + 1 < marks_.size() && marks_[piece + 1] <= at) ++piece;
  return piece;
}

size_t BlockInflater::RightBefore(size_t wrong) const {
  if (marks_.empty()) return 0;
  const size_t piece = PieceHolding(wrong);
  return marks_[piece > 0 ? piece - 1 : 0];
}

size_t BlockInflater::InputRightBefore(size_t wrong) const {
  if (inputs_.empty()) return 0;
  const size_t piece = PieceHolding(wrong);
  return inputs_[piece > 0 ? piece - 1 : 0];
}

size_t BlockInflater::PieceStartBefore(size_t wrong) const {
  return marks_.empty() ? 0 : marks_[PieceHolding(wrong)];
}

}  // namespace vlx
