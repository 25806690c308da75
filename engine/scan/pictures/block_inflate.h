#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/scan/pictures/damage_block.h"

namespace vlx {

// Inflates a zlib stream that damage may have hit, given piece by piece: each piece ends
// where a damage block ends, and the bytes out before each piece are noted, so that once
// the output is known to be wrong somewhere, the bytes certainly right can be told.
class BlockInflater {
 public:
  // At most `expected` bytes come out.
  explicit BlockInflater(size_t expected);
  ~BlockInflater();
  BlockInflater(const BlockInflater&) = delete;
  BlockInflater& operator=(const BlockInflater&) = delete;

  // Feeds `data`, whose first byte lies at `stream_offset` in the damaged stream. False
  // once the stream has ended, failed or filled the output (nothing more is taken).
  bool Feed(std::span<const uint8_t> data, uint64_t stream_offset);

  const std::vector<uint8_t>& out() const { return out_; }  // the first produced() are set
  // The output, moved out (no more is fed after).
  std::vector<uint8_t> TakeOut() { return std::move(out_); }
  size_t produced() const;
  // The stream ended and passed its own check value: every byte out is right.
  bool ended() const { return ended_; }
  bool failed() const { return failed_; }
  // The bytes out that are certainly right when those from `wrong` on are not: random
  // bytes in a deflate stream soon give an error or output that cannot be, so the damage
  // began in the piece where that showed or, when it showed late, in the piece before.
  size_t RightBefore(size_t wrong) const;
  // Where the piece began whose output holds `wrong`: what came out before it is right
  // when the output shows damage at the first place it reaches (a record that cannot be,
  // right where the damage began), though a record that reaches past it may not be.
  size_t PieceStartBefore(size_t wrong) const;
  // Where, in the bytes fed, the piece began that RightBefore(wrong) keeps the output of:
  // the damage lies past it.
  size_t InputRightBefore(size_t wrong) const;

 private:
  size_t PieceHolding(size_t at) const;

  struct Stream;
  std::unique_ptr<Stream> stream_;
  std::vector<uint8_t> out_;
  std::vector<size_t> marks_;   // bytes out before each piece
  std::vector<size_t> inputs_;  // bytes fed before each piece
  size_t fed_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace vlx
