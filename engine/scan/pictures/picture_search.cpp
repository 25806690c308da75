#include "engine/scan/pictures/picture_search.h"

#include <algorithm>
#include <vector>

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
  Search(ByteSource& source, PictureSearchEvents& events) : source_(source), events_(events) {}

  bool Run() {
    const uint64_t size = source_.size();
    if (size < kRecordHeaderSize) return true;  // no header fits
    const uint64_t positions = size - kRecordHeaderSize + 1;
    for (uint64_t start = 0; start < positions; start += kPictureSearchStretch) {
      if (!events_.EnterStretch(start)) return false;
      const size_t count =
          static_cast<size_t>(std::min<uint64_t>(positions - start, kPictureSearchStretch));
      if (!Stretch(start, count)) return false;
    }
    return true;
  }

 private:
  // A copy of the stretch's positions and of the bytes behind them that their tests
  // read: the candidates' own reads may move the source's view.
  ByteSpan CopyStretch(uint64_t start, size_t count) {
    const ByteSpan view = source_.View(start, count + kRecordHeaderSize + kGroup + kMatchWidth);
    stretch_.assign(view.begin(), view.end());
    return stretch_;
  }

  bool Stretch(uint64_t start, size_t count) {
    const ByteSpan bytes = CopyStretch(start, count);
    size_t i = 0;
    // Groups whose mask reads stay inside the view; the rest one position at a time.
    for (; i + kGroup <= count && i + kGroup + kMatchWidth + 1 <= bytes.size(); i += kGroup) {
      if (!events_.KeepGoing()) return false;
      uint64_t mask = 0;
      for (size_t k = 0; k < kGroup; k += kMatchWidth)
        mask |= uint64_t{WordCandidateMask(bytes.data() + i + k)} << k;
      for (; mask != 0; mask &= mask - 1) {
        const size_t at = i + static_cast<size_t>(__builtin_ctzll(mask));
        if (!BlipLayoutOf(LoadU16(bytes.data() + at))) continue;
        if (!Consider(start + at)) return false;
      }
    }
    for (; i < count; ++i) {
      if (i % kGroup == 0 && !events_.KeepGoing()) return false;
      if (!BlipLayoutOf(LoadU16(bytes.data() + i))) continue;
      if (!Consider(start + i)) return false;
    }
    return true;
  }

  bool Consider(uint64_t at) {
    if (!events_.KeepGoing()) return false;
    if (std::optional<FoundPicture> picture = PictureAt(source_, at))
      events_.Found(std::move(*picture));
    return true;
  }

  ByteSource& source_;
  PictureSearchEvents& events_;
  std::vector<uint8_t> stretch_;
};

}  // namespace

bool SearchPictures(ByteSource& source, PictureSearchEvents& events) {
  return Search(source, events).Run();
}

bool SearchPictures(ByteSpan source, PictureSearchEvents& events) {
  MemorySource memory(source);
  return SearchPictures(memory, events);
}

}  // namespace vlx
