#include "engine/salvage/record_stitching.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx::salvage {
namespace {

constexpr int kMaxDepth = 16;

// A header that can stand at this place of the stream: a record type of its kind, a
// container flag only on containers' types, and a body that fits its parent.
bool Fits(const RecordHeader& h, uint64_t room, StitchedStream kind) {
  if (uint64_t{h.length} + kRecordHeaderSize > room) return false;
  const bool presentation = h.type >= kTypeDocument && h.type < 0x2000;
  const bool office_art = h.type >= 0xF000 && h.type < 0xF200;
  if (kind == StitchedStream::kPictures)
    return h.type == 0xF007 || (h.type >= 0xF018 && h.type <= 0xF117);
  return presentation || office_art;
}

bool IsContainer(const RecordHeader& h) {
  return (h.version_instance & 0xF) == 0xF;
}

class Stitcher {
 public:
  Stitcher(DamagedFile& file, const SectorGeometry& geometry, uint32_t start, uint64_t size,
           StitchedStream kind, const std::vector<uint32_t>& foreign)
      : file_(file),
        g_(geometry),
        size_(size),
        kind_(kind),
        limit_(geometry.SectorCount(file.GetLength())),
        placed_((size + geometry.sector_size - 1) / geometry.sector_size),
        guess_(placed_.size(), false),
        foreign_(foreign.begin(), foreign.end()) {
    foreign_.erase(start);
    if (!placed_.empty()) Place(0, start);
  }

  StreamSectors Run() {
    if (placed_.empty() || !placed_[0]) return {};
    if (kind_ == StitchedStream::kDocument) {
      Walk(0, size_, 0);
    } else {
      Walk(0, size_, kMaxDepth);  // picture records are not entered
    }
    StreamSectors result;
    for (size_t i = 0; i < placed_.size(); ++i) {
      if (!placed_[i]) {
        Place(i, Next(i));
        ++result.guessed;
      }
      result.sectors.push_back(*placed_[i]);
    }
    result.guessed += guessed_;
    return result;
  }

 private:
  // The header at stream offset at, placing the sectors it lies in; nullopt when no
  // sector holds a header that fits there. Sectors already placed stay.
  std::optional<RecordHeader> HeaderAt(uint64_t at, uint64_t room) {
    const uint64_t first = at / g_.sector_size;
    const uint64_t last = (at + kRecordHeaderSize - 1) / g_.sector_size;
    if (last >= placed_.size()) return std::nullopt;
    for (uint64_t i = 1; i < first; ++i)
      if (!placed_[i]) {
        Place(i, Next(i));
        guess_[i] = true;
        ++guessed_;
      }
    const uint64_t open = !placed_[first] ? first : last;
    std::optional<RecordHeader> header;
    if (placed_[open]) {
      header = Read(at, room);
    } else {
      Place(open, Next(open));
      header = Read(at, room);
      for (uint32_t candidate = 0; !header && candidate < limit_; ++candidate) {
        if (used_.count(candidate) != 0) continue;
        Replace(open, candidate);
        header = Read(at, room);
      }
      if (!header) {
        Replace(open, Next(open));
      } else {
        MoveRefutedGuesses(open);
      }
    }
    if (header && !placed_[last]) Place(last, Next(last));
    return header;
  }

  // The sectors before open that were taken to follow their predecessor, from the first
  // of them that is known to hold something else on, are moved to precede the sector
  // placed at open: the stream's run of sectors that holds open began with them. Left as
  // they are where those places are not free.
  void MoveRefutedGuesses(uint64_t open) {
    uint64_t from = open;
    while (from > 1 && guess_[from - 1]) --from;
    uint64_t refuted = open;
    for (uint64_t j = from; j < open && refuted == open; ++j)
      if (foreign_.count(*placed_[j]) != 0) refuted = j;
    const uint32_t found = *placed_[open];
    if (refuted == open || found < open - refuted) return;
    std::unordered_set<uint32_t> moving;
    for (uint64_t j = refuted; j < open; ++j) moving.insert(*placed_[j]);
    for (uint64_t j = refuted; j < open; ++j) {
      const uint32_t place = found - static_cast<uint32_t>(open - j);
      if ((used_.count(place) != 0 && moving.count(place) == 0) || foreign_.count(place) != 0)
        return;
    }
    for (uint64_t j = refuted; j < open; ++j) used_.erase(*placed_[j]);
    for (uint64_t j = refuted; j < open; ++j) Place(j, found - static_cast<uint32_t>(open - j));
  }

  // Reads the header through the placed sectors; a sector not yet placed is taken to
  // follow its predecessor.
  std::optional<RecordHeader> Read(uint64_t at, uint64_t room) {
    uint8_t bytes[kRecordHeaderSize];
    for (size_t k = 0; k < sizeof bytes;) {
      const uint64_t p = at + k;
      const uint64_t index = p / g_.sector_size;
      const uint64_t within = p % g_.sector_size;
      const uint32_t sector = placed_[index] ? *placed_[index] : Next(index);
      const size_t take = std::min<size_t>(sizeof bytes - k, g_.sector_size - within);
      if (file_.ReadAt(g_.SectorOffset(sector) + within, &bytes[k], take) != take)
        return std::nullopt;
      k += take;
    }
    const RecordHeader header = RecordHeader::Decode(bytes);
    if (!Fits(header, room, kind_)) return std::nullopt;
    return header;
  }

  void Walk(uint64_t at, uint64_t end, int depth) {
    while (at + kRecordHeaderSize <= end) {
      const auto header = HeaderAt(at, end - at);
      if (!header) return;
      const uint64_t body = at + kRecordHeaderSize;
      if (IsContainer(*header) && depth < kMaxDepth) Walk(body, body + header->length, depth + 1);
      at = body + header->length;
    }
  }

  uint32_t Next(uint64_t index) const {
    const uint32_t after = placed_[index - 1] ? *placed_[index - 1] + 1 : 0;
    return after < limit_ ? after : 0;
  }
  void Place(uint64_t index, uint32_t sector) {
    placed_[index] = sector;
    used_.insert(sector);
  }
  void Replace(uint64_t index, uint32_t sector) {
    used_.erase(*placed_[index]);
    Place(index, sector);
  }

  DamagedFile& file_;
  SectorGeometry g_;
  uint64_t size_;
  StitchedStream kind_;
  uint64_t limit_;
  std::vector<std::optional<uint32_t>> placed_;
  std::vector<bool> guess_;  // placed after its predecessor without evidence
  std::unordered_set<uint32_t> foreign_;
  std::unordered_set<uint32_t> used_;
  uint64_t guessed_ = 0;
};

}  // namespace

StreamSectors StitchSectors(DamagedFile& file, const SectorGeometry& geometry, uint32_t start,
                            uint64_t size, StitchedStream kind,
                            const std::vector<uint32_t>& foreign) {
  if (start >= geometry.SectorCount(file.GetLength())) return {};
  return Stitcher(file, geometry, start, size, kind, foreign).Run();
}

}  // namespace vlx::salvage
