#include "engine/salvage/mini_stream_stitching.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <unordered_set>

#include "engine/salvage/small_stream_kinds.h"

namespace vlx::salvage {
namespace {

constexpr uint32_t kMiniSectorSize = 64;
static_assert(kSmallStreamProbe <= kMiniSectorSize);

bool KnownByItsBeginning(const std::u16string& name) {
  const uint8_t nothing[kMiniSectorSize] = {};
  return BeginsAs(name, nothing).has_value();
}

// Whether bytes (kSmallStreamProbe of them) begin the stream, of its size where they
// tell it.
bool BeginsStream(const SmallStreamStart& stream, const uint8_t* bytes) {
  if (BeginsAs(stream.name, bytes) != true) return false;
  const std::optional<uint64_t> length = LengthFromBeginning(stream.name, bytes);
  return !length || *length == stream.size;
}

// A beginning a sector of the mini stream holds: its byte in the sector, and the stream.
struct Beginning {
  uint32_t within;
  SmallStreamStart stream;
};

class MiniStitcher {
 public:
  MiniStitcher(DamagedFile& file, const SectorGeometry& geometry, uint64_t count,
               const std::vector<uint32_t>& foreign)
      : file_(file),
        g_(geometry),
        limit_(geometry.SectorCount(file.GetLength())),
        placed_(count),
        foreign_(foreign.begin(), foreign.end()),
        used_(limit_, false) {}

  // Which beginnings each sector of the mini stream holds: (byte in the sector, name).
  void Expect(const std::vector<SmallStreamStart>& streams) {
    for (const SmallStreamStart& s : streams) {
      const uint64_t at = uint64_t{s.mini_sector} * kMiniSectorSize;
      const uint64_t index = at / g_.sector_size;
      if (index < placed_.size() && KnownByItsBeginning(s.name))
        expected_[index].push_back({static_cast<uint32_t>(at % g_.sector_size), s});
    }
  }

  StreamSectors Run(uint32_t start) {
    Place(0, start);
    // Sectors that hold a beginning, in stream order: the one after the last placed
    // sector when it holds them, else the last free sector of the file that does (older
    // copies of the small streams, rewritten at every save, lie in sectors freed before).
    std::optional<uint32_t> previous = start;
    uint64_t previous_index = 0;
    for (const auto& [index, beginnings] : expected_) {
      if (index == 0) continue;
      const uint32_t following = *previous + static_cast<uint32_t>(index - previous_index);
      std::optional<uint32_t> found;
      if (following < limit_ && Free(following) && Holds(following, beginnings)) found = following;
      for (uint32_t s = limit_; !found && s-- > 0;)
        if (Free(s) && Holds(s, beginnings)) found = s;
      if (!found) continue;
      Place(index, *found);
      previous = *found;
      previous_index = index;
    }
    StreamSectors result;
    // The rest follow their predecessor, or precede their successor where that is not
    // free; a run between two placed sectors is filled from both ends.
    for (uint64_t i = 1; i < placed_.size(); ++i) {
      if (placed_[i]) continue;
      ++result.guessed;
      const uint32_t after = *placed_[i - 1] + 1;
      if (after < limit_ && Free(after)) {
        Place(i, after);
        continue;
      }
      uint64_t k = i + 1;
      while (k < placed_.size() && !placed_[k]) ++k;
      if (k < placed_.size() && *placed_[k] >= k - i &&
          Free(*placed_[k] - static_cast<uint32_t>(k - i))) {
        Place(i, *placed_[k] - static_cast<uint32_t>(k - i));
      } else {
        Place(i, after < limit_ ? after : *placed_[i - 1]);
      }
    }
    for (const std::optional<uint32_t>& s : placed_) result.sectors.push_back(*s);
    return result;
  }

 private:
  bool Free(uint32_t s) const { return !used_[s] && foreign_.count(s) == 0; }
  bool Holds(uint32_t s, const std::vector<Beginning>& beginnings) {
    for (const Beginning& beginning : beginnings) {
      uint8_t b[kMiniSectorSize] = {};
      if (file_.ReadAt(g_.SectorOffset(s) + beginning.within, b, sizeof b) != sizeof b)
        return false;
      if (!BeginsStream(beginning.stream, b)) return false;
    }
    return true;
  }
  void Place(uint64_t index, uint32_t s) {
    placed_[index] = s;
    used_[s] = true;
  }

  DamagedFile& file_;
  SectorGeometry g_;
  uint64_t limit_;
  std::vector<std::optional<uint32_t>> placed_;
  std::unordered_set<uint32_t> foreign_;
  std::vector<bool> used_;
  std::map<uint64_t, std::vector<Beginning>> expected_;
};

}  // namespace

bool SmallStreamsBeginRight(DamagedFile& file, const SectorGeometry& geometry,
                            const std::vector<uint32_t>& sectors,
                            const std::vector<SmallStreamStart>& streams) {
  for (const SmallStreamStart& s : streams) {
    const uint64_t at = uint64_t{s.mini_sector} * kMiniSectorSize;
    const uint64_t index = at / geometry.sector_size;
    if (index >= sectors.size() || !KnownByItsBeginning(s.name)) continue;
    uint8_t b[kMiniSectorSize] = {};
    if (file.ReadAt(geometry.SectorOffset(sectors[index]) + at % geometry.sector_size, b,
                    sizeof b) != sizeof b ||
        !BeginsStream(s, b))
      return false;
  }
  return true;
}

StreamSectors StitchMiniStream(DamagedFile& file, const SectorGeometry& geometry, uint32_t start,
                               uint64_t size, const std::vector<SmallStreamStart>& streams,
                               const std::vector<uint32_t>& foreign) {
  const uint64_t count = (size + geometry.sector_size - 1) / geometry.sector_size;
  if (count == 0 || start >= geometry.SectorCount(file.GetLength())) return {};
  MiniStitcher stitcher(file, geometry, count, foreign);
  stitcher.Expect(streams);
  return stitcher.Run(start);
}

}  // namespace vlx::salvage
