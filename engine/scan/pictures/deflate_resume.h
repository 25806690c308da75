#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vlx {

// The output of a deflate stream taken up again after bytes of it were lost: from the
// first symbol read after the loss to the stream's own end. A byte copied from what came
// out before the loss (gone with it) is not known; its place is kept.
struct ResumedTail {
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> known;  // 1 where bytes[i] is the stream's own output
  size_t resumed_at = 0;       // the byte of the stream where decoding was taken up
};

// Takes up the zlib stream `zlib` after a loss that began at or after `damage_from` (a byte
// offset in it). Decoding is tried from each of `resume_points` past `damage_from` (where lost
// bytes may end, in increasing order), with the code tables of the blocks begun before the
// loss. A tail is handed over only when it runs to the stream's end exactly where its check
// value begins and `accept` (the caller's own check of what the bytes must look like) takes
// it. `at_most` is the most the whole stream may give, and so the tail. The work is bounded:
// a stream that gives nothing within it gives nullopt. A run taken up before a second loss
// may read on through it: the known bytes are right only where no loss lies between
// `resumed_at` and the end, which the caller's points and check are to ensure.
std::optional<ResumedTail> ResumeAfterLoss(std::span<const uint8_t> zlib, size_t damage_from,
                                           const std::vector<size_t>& resume_points, size_t at_most,
                                           const std::function<bool(const ResumedTail&)>& accept);

}  // namespace vlx
