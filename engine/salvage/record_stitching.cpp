#include "engine/salvage/record_stitching.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/salvage/sector_header_index.h"

namespace vlx::salvage {
namespace {

constexpr int kMaxDepth = 16;
constexpr uint32_t kUserEditMinimumLength = 28;
constexpr uint32_t kUserEditLongestLength = 36;
constexpr int kMaxEdits = 64;
constexpr size_t kMaxPersistAnchors = 1 << 16;
constexpr uint32_t kMaxMendedObject = 1 << 20;  // longer objects are not read to mend a gap
constexpr uint64_t kMaxMendedGap = 1024;        // sectors
constexpr int kSearchesBeforeIndex = 8;

// A record a persist directory can point at: the document, its slides, notes and
// masters are containers; stored objects (of OLE objects, controls, macros) are atoms.
// Any other header at an object's offset is some other record that happens to lie
// there (the check would not pass it either).
bool IsPersistedObject(const RecordHeader& h) {
  const bool container = (h.version_instance & 0xF) == 0xF;
  return IsPersistedObjectType(h.type) && container != (h.type == kTypeExternalObjectStorage);
}

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

// A record the walk is inside: where it ends, and the depth of its children.
struct Enclosing {
  uint64_t end;
  int depth;
};

class Stitcher {
 public:
  Stitcher(DamagedFile& file, const SectorGeometry& geometry, uint32_t start, uint64_t size,
           StitchedStream kind, const std::vector<uint32_t>& foreign,
           const std::vector<uint32_t>& table)
      : file_(file),
        g_(geometry),
        size_(size),
        kind_(kind),
        limit_(geometry.SectorCount(file.GetLength())),
        placed_((size + geometry.sector_size - 1) / geometry.sector_size),
        witnessed_(placed_.size()),
        read_headers_(placed_.size()),
        guess_(placed_.size(), false),
        destroyed_(placed_.size(), false),
        foreign_(foreign.begin(), foreign.end()),
        used_(limit_, false),
        firm_sectors_(limit_, false),
        followers_(TableFollowers(table)) {
    foreign_.erase(start);
    if (!placed_.empty()) Place(0, start);
  }

  StreamSectors Run() {
    if (placed_.empty() || !placed_[0]) return {};
    if (kind_ == StitchedStream::kDocument) {
      Walk(0, size_, 0);
      FillUnplaced();
      // The walk guesses across long atoms; the edits, the persist directories and the
      // objects they name then put each of their sectors where its record says, and
      // each object whose records do not nest is walked again to mend what lies inside.
      AnchorPersistObjects();
      MendBrokenObjects();
      MendGapsBackwards();
    } else {
      Walk(0, size_, kMaxDepth);  // picture records are not entered
    }
    FillUnplaced();
    FollowTheTable();
    GiveSharedSectorsToTheirRecords();
    StreamSectors result;
    for (size_t i = 0; i < placed_.size(); ++i) result.sectors.push_back(*placed_[i]);
    result.guessed = guessed_;
    return result;
  }

 private:
  // A header was read from the sector now placed at index.
  void Witness(uint64_t index) { witnessed_[index] = placed_[index]; }

  // A header read whole from the sector placed at index, at stream offset at: a sector
  // that does not hold the same bytes there cannot take its place.
  struct ReadHeader {
    uint32_t sector;
    uint32_t within;
    std::array<uint8_t, kRecordHeaderSize> bytes;
  };
  void NoteHeader(uint64_t index, uint64_t at) {
    ReadHeader read{*placed_[index], static_cast<uint32_t>(at % g_.sector_size), {}};
    if (ReadStream(at, read.bytes.data(), read.bytes.size())) read_headers_[index] = read;
  }
  bool GoesAgainstAHeaderRead(uint64_t index, uint32_t sector) {
    const std::optional<ReadHeader>& read = read_headers_[index];
    if (!read || read->sector != *placed_[index] || read->sector == sector) return false;
    std::array<uint8_t, kRecordHeaderSize> there{};
    return file_.ReadAt(g_.SectorOffset(sector) + read->within, there.data(), there.size()) !=
               there.size() ||
           there != read->bytes;
  }
  bool Witnessed(uint64_t index) const {
    return witnessed_[index].has_value() && witnessed_[index] == placed_[index];
  }

  // A sector of the file holds one sector of the stream. Where a guess (a sector no
  // header was read from) placed one that is placed elsewhere too, the guess takes the
  // sector before its successor's instead, or else the one after its predecessor's,
  // when that one is free; from the end back, so that a run of such guesses reaches
  // back from the sector after it. A sector a header was read from stays where it is.
  void GiveSharedSectorsToTheirRecords() {
    std::vector<uint32_t> holders(limit_, 0);
    for (const std::optional<uint32_t>& sector : placed_) ++holders[*sector];
    for (uint64_t i = placed_.size(); i-- > 1;) {
      const uint32_t sector = *placed_[i];
      if (Witnessed(i) || holders[sector] < 2) continue;
      std::array<std::optional<uint32_t>, 2> instead;
      if (i + 1 < placed_.size() && *placed_[i + 1] > 0) instead[0] = *placed_[i + 1] - 1;
      instead[1] = After(*placed_[i - 1]);
      for (const std::optional<uint32_t>& other : instead) {
        if (!other || *other >= limit_ || holders[*other] != 0 || foreign_.count(*other) != 0)
          continue;
        --holders[sector];
        ++holders[*other];
        Replace(i, *other);
        break;
      }
    }
  }

  // Where a sound page of the allocation table names the sector after a placed one, that
  // sector comes next, whatever the records made of it (an older copy of the same records
  // elsewhere reads as well); left where the table's sector is held earlier in the stream.
  void FollowTheTable() {
    for (size_t i = 1; i < placed_.size(); ++i) {
      const uint32_t before = *placed_[i - 1];
      if (before >= followers_.size() || followers_[before] == kNoFollower) continue;
      const uint32_t follower = followers_[before];
      if (*placed_[i] == follower || Used(follower)) continue;
      Replace(i, follower);
      witnessed_[i].reset();
    }
  }

  // Sectors the walk gave no evidence for follow their predecessor.
  void FillUnplaced() {
    for (size_t i = 0; i < placed_.size(); ++i)
      if (!placed_[i]) {
        Place(i, Next(i));
        ++guessed_;
      }
  }

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
    if (placed_[open] && anchoring_) {
      header = firm_[open] ? Read(at, room) : ReadOn(open, at, room);
      // The first walk found this sector destroyed in place; the records still say so.
      if (!header && !firm_[open] && destroyed_[open] && ReadsOnPastDamage(open))
        return std::nullopt;
      // A sector the allocation table links to its neighbour is where the table says: a
      // header missing there is the damage's, not the placement's.
      if (!header && !firm_[open] && !TableLinked(open)) {
        const uint32_t before = *placed_[open];
        Search(open, HeaderStartIn(open, at), [&](uint32_t candidate) {
          Replace(open, candidate);
          header = ReadOn(open, at, room);
          return header.has_value();
        });
        if (header) {
          FollowOn(open);
        } else {
          Replace(open, before);
        }
      }
    } else if (placed_[open]) {
      header = Read(at, room);
    } else {
      Place(open, Next(open));
      header = ReadOn(open, at, room);
      // A sector destroyed in place: the records go on where the container they are in
      // ends, in the sectors that follow it, and it stays where its run puts it.
      if (!header && ReadsOnPastDamage(open)) {
        destroyed_[open] = true;
        guess_[open] = true;
        ++guessed_;
        return std::nullopt;
      }
      const std::optional<uint32_t> within = HeaderStartIn(open, at);
      if (!header) CountWholeFileSearch();
      for (uint32_t candidate = 0; !header && candidate < limit_; ++candidate) {
        if (Used(candidate) || !MayHoldHeader(candidate, within)) continue;
        Replace(open, candidate);
        header = ReadOn(open, at, room);
      }
      if (!header) {
        Replace(open, Next(open));
      } else {
        MoveRefutedGuesses(open);
      }
    }
    if (header && !placed_[last]) Place(last, Next(last));
    if (header) {
      Witness(first);
      Witness(last);
      if (first == last) NoteHeader(first, at);
    }
    if (header && anchoring_) {
      MakeFirm(first);
      MakeFirm(last);
    }
    return header;
  }

  // Whether, with the sectors from index on following one another, the records read on
  // from where the innermost container that ends past the sector at index ends: the
  // header there fits its parent and the records after it read through their sector.
  bool ReadsOnPastDamage(uint64_t index) {
    const uint64_t sector_end = (index + 1) * g_.sector_size;
    for (size_t e = enclosing_.size(); e-- > 0;) {
      const uint64_t at = enclosing_[e].end;
      if (at < sector_end) continue;
      // The walk of a persisted object alone (when it is mended) is inside the stream too.
      std::vector<Enclosing> ends(enclosing_.begin(),
                                  enclosing_.begin() + static_cast<std::ptrdiff_t>(e));
      if (ends.empty()) ends.push_back({size_, 0});
      const uint64_t parent_end = ends.back().end;
      if (at + kRecordHeaderSize > parent_end) return false;
      const uint64_t last = (at + kRecordHeaderSize - 1) / g_.sector_size;
      if (last >= placed_.size()) return false;
      std::vector<uint64_t> trial;  // the sectors placed for the trial, taken back after it
      bool following = true;
      for (uint64_t i = index + 1; i <= last && following; ++i) {
        if (placed_[i]) continue;
        const uint32_t after = After(*placed_[i - 1]);
        following = after < limit_ && !Used(after) && foreign_.count(after) == 0;
        if (!following) break;
        Place(i, after);
        trial.push_back(i);
      }
      const std::optional<RecordHeader> next = following ? Read(at, parent_end - at) : std::nullopt;
      const bool reads_on = next && ReadsOnThrough(at / g_.sector_size, at, *next, std::move(ends));
      for (const uint64_t i : trial) {
        used_[*placed_[i]] = false;
        placed_[i].reset();
      }
      return reads_on;
    }
    return false;
  }

  // Reads length bytes at stream offset at through the placed sectors.
  bool ReadStream(uint64_t at, uint8_t* out, size_t length) {
    for (size_t k = 0; k < length;) {
      const uint64_t index = (at + k) / g_.sector_size;
      const uint64_t within = (at + k) % g_.sector_size;
      if (index >= placed_.size() || !placed_[index]) return false;
      const size_t take = std::min<size_t>(length - k, g_.sector_size - within);
      if (file_.ReadAt(g_.SectorOffset(*placed_[index]) + within, out + k, take) != take)
        return false;
      k += take;
    }
    return true;
  }

  // The sectors after index that are not held by a record follow it.
  void FollowOn(uint64_t index) {
    for (uint64_t i = index + 1; i < placed_.size() && !firm_[i]; ++i) {
      const uint32_t after = After(*placed_[i - 1]);
      if (after >= limit_) return;
      Replace(i, after);
    }
  }

  // Makes the record header at stream offset at one that passes wanted: keeps the placed
  // sectors when it already does, else places at its sector the first free sector of
  // the file that holds such a header at that offset (the header's next sector, when
  // it crosses the edge, follows it). The sectors after it follow on.
  std::optional<RecordHeader> Anchor(uint64_t at, bool (*wanted)(const RecordHeader&)) {
    const uint64_t index = at / g_.sector_size;
    const uint64_t last = (at + kRecordHeaderSize - 1) / g_.sector_size;
    if (last >= placed_.size()) return std::nullopt;
    const auto read = [&]() -> std::optional<RecordHeader> {
      uint8_t bytes[kRecordHeaderSize];
      if (!ReadStream(at, bytes, sizeof bytes)) return std::nullopt;
      const RecordHeader header = RecordHeader::Decode(bytes);
      if (!wanted(header) || uint64_t{header.length} + kRecordHeaderSize > size_ - at)
        return std::nullopt;
      return header;
    };
    std::optional<RecordHeader> header = read();
    // An older copy of the same records reads as well as the stream's own sectors: where
    // the run of the next placed sector reaching back here also holds the record, that
    // run is the stream's.
    if (header && !firm_[index] && !firm_[last]) {
      const std::optional<uint32_t> back = ReachingBack(index);
      if (back && *back != *placed_[index] && !firm_sectors_[*back] &&
          (last == index || (After(*back) < limit_ && !firm_sectors_[After(*back)]))) {
        const uint32_t before = *placed_[index];
        const uint32_t before_last = *placed_[last];
        Replace(index, *back);
        if (last != index) Replace(last, After(*back));
        const std::optional<RecordHeader> there = read();
        if (there) {
          header = there;
          FollowOn(last);
        } else {
          Replace(index, before);
          if (last != index) Replace(last, before_last);
        }
      }
    }
    if (!header && !firm_[index]) {
      const uint32_t before = *placed_[index];
      const uint32_t before_last = *placed_[last];
      Search(index, HeaderStartIn(index, at), [&](uint32_t candidate) {
        Replace(index, candidate);
        if (last != index && !firm_[last] && candidate + 1 < limit_) Replace(last, candidate + 1);
        header = read();
        return header.has_value();
      });
      if (!header) {
        Replace(index, before);
        if (last != index) Replace(last, before_last);
        return std::nullopt;
      }
      FollowOn(last);
    }
    if (header) {
      Witness(index);
      Witness(last);
      MakeFirm(index);
      MakeFirm(last);
      for (const uint64_t i : {index, last}) {
        anchored_[i] = true;
        anchored_sectors_[*placed_[i]] = true;
      }
    }
    return header;
  }

  // The sector at index if the run of sectors that holds the next sector a record
  // placed reaches back to it.
  std::optional<uint32_t> ReachingBack(uint64_t index) const {
    for (uint64_t k = index + 1; k < placed_.size(); ++k) {
      if (!firm_[k]) continue;
      if (*placed_[k] < k - index) return std::nullopt;
      return *placed_[k] - static_cast<uint32_t>(k - index);
    }
    return std::nullopt;
  }

  void MakeFirm(uint64_t index) {
    firm_[index] = true;
    firm_sectors_[*placed_[index]] = true;
  }

  // Offers try_sector the sectors of the file until it accepts one: first those no part
  // of the stream holds, then those only guessed to belong where they are.
  // The sector that keeps the run going (the one after the previous sector) is offered
  // first, then the one that ends in the next sector a record placed: stale copies of
  // the same records elsewhere in the file come after them.
  template <class Try>
  void Search(uint64_t index, std::optional<uint32_t> within, Try try_sector) {
    std::array<std::optional<uint32_t>, 2> runs;
    if (index > 0) runs[0] = After(*placed_[index - 1]);
    runs[1] = ReachingBack(index);
    for (const std::optional<uint32_t>& candidate : runs)
      if (candidate && *candidate < limit_ && !firm_sectors_[*candidate] && try_sector(*candidate))
        return;
    CountWholeFileSearch();
    for (uint32_t candidate = 0; candidate < limit_; ++candidate)
      if (!Used(candidate) && MayHoldHeader(candidate, within) && try_sector(candidate)) return;
    for (uint32_t candidate = 0; candidate < limit_; ++candidate)
      if (Used(candidate) && !firm_sectors_[candidate] && MayHoldHeader(candidate, within) &&
          try_sector(candidate))
        return;
  }

  // Anchors the newest user edit (the last record of the stream), the older edits, their
  // persist directories and every object those name. False when no edit is found.
  bool AnchorPersistObjects() {
    anchoring_ = true;
    firm_.assign(placed_.size(), false);
    anchored_.assign(placed_.size(), false);
    anchored_sectors_.assign(limit_, false);
    anchored_[0] = true;
    anchored_sectors_[*placed_[0]] = true;
    MakeFirm(0);
    std::optional<uint64_t> edit;
    for (uint32_t length = kUserEditMinimumLength; !edit && length <= kUserEditLongestLength;
         length += 4) {
      if (size_ < kRecordHeaderSize + length) break;
      if (Anchor(size_ - kRecordHeaderSize - length, [](const RecordHeader& h) {
            return h.type == kTypeUserEditAtom && h.length >= kUserEditMinimumLength &&
                   h.length <= kUserEditLongestLength;
          }))
        edit = size_ - kRecordHeaderSize - length;
    }
    if (!edit) return false;
    const auto is_edit = [](const RecordHeader& h) {
      return h.type == kTypeUserEditAtom && h.length >= kUserEditMinimumLength;
    };
    std::vector<uint64_t> objects;
    for (int n = 0; n < kMaxEdits && edit; ++n) {
      const uint64_t edit_at = *edit;
      uint8_t body[kUserEditMinimumLength];
      if (!ReadStream(*edit + kRecordHeaderSize, body, sizeof body)) break;
      const uint32_t directory_at = LoadU32(&body[12]);
      const uint32_t previous = LoadU32(&body[8]);
      const auto directory = Anchor(directory_at, [](const RecordHeader& h) {
        return h.type == kTypePersistDirectoryAtom && (h.version_instance & 0xF) == 0;
      });
      if (directory) {
        std::vector<uint8_t> entries(std::min<size_t>(directory->length, 4 * kMaxPersistAnchors));
        if (ReadStream(directory_at + kRecordHeaderSize, entries.data(), entries.size())) {
          for (size_t i = 0; i + 4 <= entries.size();) {
            const uint32_t count = LoadU32(&entries[i]) >> 20;
            i += 4;
            for (uint32_t k = 0; k < count && i + 4 <= entries.size(); ++k, i += 4)
              objects.push_back(LoadU32(&entries[i]));
          }
        }
      }
      edit.reset();
      if (previous == 0 || previous >= edit_at) break;  // the oldest edit
      if (Anchor(previous, is_edit)) {
        edit = previous;
        continue;
      }
      // The edit before was destroyed, and with it where the one before that lies: the
      // newest of the older edits found in the file takes up the chain.
      if (!older_edits_) older_edits_ = EditsInFile(LoadU32(&body[16]), LoadU32(&body[20]));
      for (auto older = older_edits_->rbegin(); older != older_edits_->rend(); ++older)
        if (*older < previous) {
          if (Anchor(*older, is_edit)) edit = *older;
          break;
        }
    }
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    // From the end back: each object's sector may then be found where the run of the
    // next placed one reaches back to it.
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
      const uint64_t at = *it;
      if (at >= size_) continue;
      if (const auto header = Anchor(at, IsPersistedObject)) objects_.push_back({at, *header});
    }
    return true;
  }

  // The stream offsets of the user edits the file's sectors hold, in increasing order:
  // an edit whose persist directory lies right before it in its sector tells its own
  // offset (the directory's offset, which it names, and the directory's length). Only
  // edits of the same Document id whose persist id seed is not above `seed` (the seed only
  // grows from save to save): an edit of another presentation in a disk image seldom is.
  std::vector<uint64_t> EditsInFile(uint32_t document_id, uint32_t seed) {
    std::vector<uint64_t> found;
    const uint32_t size = g_.sector_size;
    std::vector<uint8_t> sector(size);
    for (uint32_t s = 0; s < limit_; ++s) {
      if (foreign_.count(s) != 0 || file_.ReadAt(g_.SectorOffset(s), sector.data(), size) != size)
        continue;
      for (uint32_t w = kRecordHeaderSize; w + kRecordHeaderSize + kUserEditMinimumLength <= size;
           ++w) {
        if (LoadU16(&sector[w + 2]) != kTypeUserEditAtom) continue;
        const RecordHeader h = RecordHeader::Decode(&sector[w]);
        if (h.type != kTypeUserEditAtom || h.version_instance != 0 ||
            h.length < kUserEditMinimumLength || h.length > kUserEditLongestLength)
          continue;
        const uint8_t* body = &sector[w + kRecordHeaderSize];
        const uint32_t directory = LoadU32(body + 12);
        if (LoadU32(body + 16) != document_id || LoadU32(body + 20) > seed ||
            directory % size + kRecordHeaderSize > w)
          continue;
        const RecordHeader d = RecordHeader::Decode(&sector[directory % size]);
        if (d.type != kTypePersistDirectoryAtom ||
            uint64_t{directory % size} + kRecordHeaderSize + d.length != w)
          continue;
        const uint64_t at = uint64_t{directory} + kRecordHeaderSize + d.length;
        if (at + kRecordHeaderSize + h.length <= size_) found.push_back(at);
      }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
  }

  void MendBrokenObjects() {
    std::vector<uint8_t> bytes;
    for (const auto& [at, header] : objects_) {
      bytes.resize(kRecordHeaderSize + size_t{header.length});
      if (ReadStream(at, bytes.data(), bytes.size()) && IsWellFormedRecordRun(bytes)) continue;
      if (IsContainer(header))
        Walk(at + kRecordHeaderSize, at + kRecordHeaderSize + header.length, 1);
    }
  }

  // Whether the persisted object's whole record nests as it reads through the placed
  // sectors (an object too long to read here counts as nesting).
  bool Nests(uint64_t at, const RecordHeader& header, std::vector<uint8_t>& bytes) {
    if (header.length > kMaxMendedObject) return true;
    bytes.resize(kRecordHeaderSize + size_t{header.length});
    return ReadStream(at, bytes.data(), bytes.size()) && IsWellFormedRecordRun(bytes);
  }

  // How many of the anchored objects that reach into stream sectors [first, end) nest.
  size_t NestingObjectsIn(uint64_t first, uint64_t end, std::vector<uint8_t>& bytes) {
    size_t nesting = 0;
    const uint64_t from = first * g_.sector_size;
    const uint64_t to = end * g_.sector_size;
    for (const auto& [at, header] : objects_)
      if (at < to && at + kRecordHeaderSize + header.length > from && Nests(at, header, bytes))
        ++nesting;
    return nesting;
  }

  // Between two sectors that hold an edit, a persist directory or a persisted object,
  // the sectors were placed by the records walked from the earlier one, or taken to
  // follow it; where the stream's run of sectors begins inside the gap instead, those
  // before the later one precede it in the file (a walk can be misled by an older copy
  // of the same records). Each split of the gap between the two runs is tried, and the
  // one under which most of the anchored objects reaching into it nest is kept; on a
  // tie, the longer run reaching back from the later sector.
  void MendGapsBackwards() {
    std::vector<uint8_t> bytes;
    for (uint64_t b = 2; b < placed_.size(); ++b) {
      if (!anchored_[b] || anchored_[b - 1]) continue;
      uint64_t a = b - 1;
      while (a > 0 && !anchored_[a]) --a;
      const uint64_t gap_start = a + 1;
      if (b - gap_start > kMaxMendedGap) continue;
      size_t best = NestingObjectsIn(gap_start, b + 1, bytes);
      if (best == 0 && std::none_of(objects_.begin(), objects_.end(), [&](const auto& object) {
            return object.first / g_.sector_size >= gap_start && object.first / g_.sector_size <= b;
          }))
        continue;
      std::vector<uint32_t> before;
      uint64_t best_split = b;
      uint64_t tried = b;
      for (uint64_t t = b; t > gap_start; --t) {
        const uint64_t j = t - 1;
        const uint32_t later = *placed_[b];
        if (later < b - j) break;
        const uint32_t sector = later - static_cast<uint32_t>(b - j);
        if (anchored_sectors_[sector] || foreign_.count(sector) != 0 || TableLinked(j)) break;
        // A run that reaches back over a sector a header was read from, whose bytes there it
        // does not hold, is not the stream's there: another copy of the same records would.
        if (GoesAgainstAHeaderRead(j, sector)) break;
        before.push_back(*placed_[j]);
        Replace(j, sector);
        tried = j;
        const size_t nesting = NestingObjectsIn(gap_start, b + 1, bytes);
        if (nesting >= best) {
          best = nesting;
          best_split = j;
        }
      }
      // Back to the earlier placement below the best split.
      for (uint64_t j = tried; j < best_split; ++j) Replace(j, before[b - 1 - j]);
    }
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
      if ((Used(place) && moving.count(place) == 0) || foreign_.count(place) != 0) return;
    }
    for (uint64_t j = refuted; j < open; ++j) used_[*placed_[j]] = false;
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
      if (foreign_.count(sector) != 0) return std::nullopt;  // holds something else
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
    enclosing_.push_back({end, depth});
    while (at + kRecordHeaderSize <= end) {
      const auto header = HeaderAt(at, end - at);
      if (!header) break;
      const uint64_t body = at + kRecordHeaderSize;
      if (IsContainer(*header) && depth < kMaxDepth) Walk(body, body + header->length, depth + 1);
      at = body + header->length;
    }
    enclosing_.pop_back();
  }

  // The header at stream offset at, when it fits and the records after it read on
  // through the rest of the sector at index: one header that happens to fit is common in
  // a sector of other records (an older copy of the stream, another stream's data),
  // a chain of them to the sector's end is not.
  std::optional<RecordHeader> ReadOn(uint64_t index, uint64_t at, uint64_t room) {
    const std::optional<RecordHeader> header = Read(at, room);
    if (!header || !ReadsOnThrough(index, at, *header, enclosing_)) return std::nullopt;
    return header;
  }

  // Follows the records from the header at stream offset at (inside the records ends
  // lists, innermost last) to the end of the sector at index; false when a header that
  // begins in that sector does not fit where it lies.
  bool ReadsOnThrough(uint64_t index, uint64_t at, RecordHeader header,
                      std::vector<Enclosing> ends) {
    const uint64_t sector_end = (index + 1) * g_.sector_size;
    while (!ends.empty()) {
      const uint64_t body = at + kRecordHeaderSize;
      if (IsContainer(header) && ends.back().depth < kMaxDepth) {
        ends.push_back({body + header.length, ends.back().depth + 1});
        at = body;
      } else {
        at = body + header.length;
      }
      // A container's last child ends it (a few bytes too short for a header end it too).
      while (!ends.empty() && at + kRecordHeaderSize > ends.back().end) {
        at = std::max(at, ends.back().end);
        ends.pop_back();
      }
      if (ends.empty() || at + kRecordHeaderSize > sector_end) return true;
      const std::optional<RecordHeader> next = Read(at, ends.back().end - at);
      if (!next) return false;
      header = *next;
    }
    return true;
  }

  uint32_t Next(uint64_t index) const {
    const uint32_t after = placed_[index - 1] ? After(*placed_[index - 1]) : 0;
    return after < limit_ ? after : 0;
  }

  // Whether the sector placed at index and one of its neighbours' follow one another as a
  // sound page of the allocation table says.
  bool TableLinked(uint64_t index) const {
    const auto links = [&](uint64_t a, uint64_t b) {
      return placed_[a] && placed_[b] && *placed_[a] < followers_.size() &&
             followers_[*placed_[a]] == *placed_[b];
    };
    return (index > 0 && links(index - 1, index)) ||
           (index + 1 < placed_.size() && links(index, index + 1));
  }

  // The sector that follows one in its stream's run: the one the allocation table names
  // where the table's page holding that entry is sound (every entry a sector of the file
  // or a mark: noise over a page leaves next to none so), else the next one in the file.
  // A chain never comes back to a sector it holds: a table entry naming one is not followed.
  uint32_t After(uint32_t sector) const {
    return sector < followers_.size() && followers_[sector] != kNoFollower &&
                   !used_[followers_[sector]]
               ? followers_[sector]
               : sector + 1;
  }

  // By sector of the file, the one a sound page of the table names after it.
  std::vector<uint32_t> TableFollowers(const std::vector<uint32_t>& table) const {
    std::vector<uint32_t> followers(std::min<uint64_t>(table.size(), limit_), kNoFollower);
    const size_t per_page = g_.sector_size / 4;
    for (size_t page = 0; page * per_page < followers.size(); ++page) {
      const size_t from = page * per_page;
      const size_t to = std::min(followers.size(), from + per_page);
      const bool sound = std::all_of(
          table.begin() + static_cast<std::ptrdiff_t>(from),
          table.begin() + static_cast<std::ptrdiff_t>(std::min(table.size(), from + per_page)),
          [&](uint32_t entry) { return entry < limit_ || entry >= kFirstTableMark; });
      if (!sound) continue;
      for (size_t s = from; s < to; ++s)
        if (table[s] < limit_ && table[s] != s && foreign_.count(table[s]) == 0)
          followers[s] = table[s];
    }
    return followers;
  }

  bool Used(uint32_t sector) const { return used_[sector]; }

  // Where the header at stream offset at begins inside the sector that would be placed
  // at index; nullopt when it begins in an earlier one.
  std::optional<uint32_t> HeaderStartIn(uint64_t index, uint64_t at) const {
    if (at / g_.sector_size != index) return std::nullopt;
    return static_cast<uint32_t>(at % g_.sector_size);
  }

  // Whether a search should read the sector: once searches have gone through the whole
  // file a few times, an index made in one more pass rules out the sectors that hold
  // no header where it begins, so that later searches read only the few that may.
  bool MayHoldHeader(uint32_t sector, std::optional<uint32_t> within) {
    if (!within || !index_) return true;
    return index_->MayHoldHeaderAt(sector, *within);
  }
  void CountWholeFileSearch() {
    if (!index_ && ++whole_file_searches_ == kSearchesBeforeIndex) index_.emplace(file_, g_, size_);
  }
  void Place(uint64_t index, uint32_t sector) {
    placed_[index] = sector;
    used_[sector] = true;
  }
  void Replace(uint64_t index, uint32_t sector) {
    used_[*placed_[index]] = false;
    Place(index, sector);
  }

  DamagedFile& file_;
  SectorGeometry g_;
  uint64_t size_;
  StitchedStream kind_;
  uint64_t limit_;
  std::vector<std::optional<uint32_t>> placed_;
  // By stream sector: the file's sector a header was last read from there.
  std::vector<std::optional<uint32_t>> witnessed_;
  std::vector<std::optional<ReadHeader>> read_headers_;  // by stream sector
  std::vector<bool> guess_;      // placed after its predecessor without evidence
  std::vector<bool> destroyed_;  // holds no record where its run puts it, but the records go on
  std::unordered_set<uint32_t> foreign_;
  std::vector<bool> used_;  // by sector of the file: placed somewhere in the stream
  uint64_t guessed_ = 0;
  // Once the persist objects anchor the stream: sectors a record header was read from,
  // which later searches leave where they are.
  bool anchoring_ = false;
  std::vector<bool> firm_;
  std::vector<bool> firm_sectors_;  // by sector of the file
  static constexpr uint32_t kNoFollower = 0xFFFFFFFF;
  static constexpr uint32_t kFirstTableMark = 0xFFFFFFFA;  // the table's marks from here on
  std::vector<uint32_t> followers_;  // by sector of the file: After()'s table entries
  std::vector<std::pair<uint64_t, RecordHeader>> objects_;  // the anchored persist objects
  // The stream sectors (and the file's sectors there) that hold an anchored record.
  std::vector<bool> anchored_;
  std::vector<bool> anchored_sectors_;
  std::optional<SectorHeaderIndex> index_;
  std::vector<Enclosing> enclosing_;  // the records the walk is inside, innermost last
  std::optional<std::vector<uint64_t>> older_edits_;  // read from the file once, when needed
  int whole_file_searches_ = 0;
};

}  // namespace

StreamSectors StitchSectors(DamagedFile& file, const SectorGeometry& geometry, uint32_t start,
                            uint64_t size, StitchedStream kind,
                            const std::vector<uint32_t>& foreign,
                            const std::vector<uint32_t>& table) {
  if (start >= geometry.SectorCount(file.GetLength())) return {};
  return Stitcher(file, geometry, start, size, kind, foreign, table).Run();
}

}  // namespace vlx::salvage
