#include "engine/scan/pictures/picture_search.h"

#include <algorithm>

#include "engine/format/record_header.h"
#include "engine/scan/byte_match.h"
#include "engine/scan/pictures/blip_layout.h"
#include "engine/scan/pictures/picture_at.h"

namespace vlx {
namespace {

constexpr size_t kGroup = 4 * kMatchWidth;

// Positions among the 16 starting at p whose version/instance word may open a picture
// record: version 0 with an instance of low nibble anything (low byte a multiple of
// 16), and a high byte of one of the picture instances. A superset of the real
// matches; BlipLayoutOf decides.
uint32_t WordCandidateMask(const uint8_t* p) {
  return MatchMultiplesOf16(p) & MatchAny16(p + 1, {0x21, 0x3D, 0x46, 0x54, 0x6E, 0x7A, 0x80});
}

class Search {
 public:
  Search(ByteSpan source, PictureSearchEvents& events) : source_(source), events_(events) {}

  bool Run() {
    if (source_.size() < kRecordHeaderSize) return true;  // no header fits
    const size_t positions = source_.size() - kRecordHeaderSize + 1;
    for (size_t start = 0; start < positions; start += kPictureSearchStretch) {
      if (!events_.EnterStretch(start)) return false;
      if (!Stretch(start, std::min(positions, start + kPictureSearchStretch))) return false;
    }
    return true;
  }

 private:
  bool Stretch(size_t from, size_t to) {
    // Groups whose mask reads stay inside the source; the rest one position at a time.
    const size_t grouped_end =
        source_.size() >= kGroup + kMatchWidth ? source_.size() - kGroup - kMatchWidth : 0;
    size_t i = from;
    for (; i + kGroup <= to && i <= grouped_end; i += kGroup) {
      if (!events_.KeepGoing()) return false;
      uint64_t mask = 0;
      for (size_t k = 0; k < kGroup; k += kMatchWidth)
        mask |= uint64_t{WordCandidateMask(source_.data() + i + k)} << k;
      for (; mask != 0; mask &= mask - 1) {
        if (!Consider(i + static_cast<size_t>(__builtin_ctzll(mask)))) return false;
      }
    }
    for (; i < to; ++i) {
      if ((i - from) % kGroup == 0 && !events_.KeepGoing()) return false;
      if (BlipLayoutOf(LoadU16(source_.data() + i)) && !Consider(i)) return false;
    }
    return true;
  }

  bool Consider(size_t at) {
    if (!BlipLayoutOf(LoadU16(source_.data() + at))) return true;
    if (!events_.KeepGoing()) return false;
    if (std::optional<FoundPicture> picture = PictureAt(source_, at))
      events_.Found(std::move(*picture));
    return true;
  }

  ByteSpan source_;
  PictureSearchEvents& events_;
};

}  // namespace

bool SearchPictures(ByteSpan source, PictureSearchEvents& events) {
  return Search(source, events).Run();
}

}  // namespace vlx
