#include "engine/scan/pictures/jpeg_mending.h"

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/jpeg_markers.h"
#include "engine/scan/pictures/jpeg_scan_resume.h"

namespace vlx {
namespace {

// Markers that open a segment with a length: frames, tables, scans, restart interval,
// application data, comments.
bool OpensSegment(uint8_t m) {
  return (m >= 0xC0 && m <= 0xCF && m != 0xC8) || (m >= 0xDA && m <= 0xDF) ||
         (m >= 0xE0 && m <= 0xEF) || m == 0xFE;
}

// A marker at `at` that truly follows coded data: the end of the image, or a segment whose
// length leads to the next marker.
bool LegitimateMarkerAt(std::span<const uint8_t> jpeg, size_t at) {
  const uint8_t m = jpeg[at + 1];
  if (m == kJpegEndOfImage) return true;
  if (!OpensSegment(m) || jpeg.size() - at < 4) return false;
  const size_t next = at + 2 + LoadU16BigEndian(jpeg.data() + at + 2);
  return LoadU16BigEndian(jpeg.data() + at + 2) >= 2 && next < jpeg.size() &&
         jpeg[next] == kJpegMarker;
}

// Where the coded data starting at `from` ends: at a marker that may follow it (*damaged
// false), at one that cannot (*damaged true), or at the end of the bytes (*damaged true:
// its end marker is missing).
size_t EndOfCodedData(std::span<const uint8_t> jpeg, size_t from, bool* damaged) {
  for (size_t q = from; q + 1 < jpeg.size(); ++q) {
    if (jpeg[q] != kJpegMarker) continue;
    const uint8_t next = jpeg[q + 1];
    // Stuffing, a restart, a temporary marker, fill before a marker.
    if (next == 0x00 || IsJpegRestart(next) || next == kJpegTemporary || next == kJpegMarker)
      continue;
    *damaged = !LegitimateMarkerAt(jpeg, q);
    return q;
  }
  *damaged = true;
  return jpeg.size();
}

// The coded data of a picture whose segments before it are whole. *whole is set when no
// damage shows.
std::optional<MendedJpeg> MendCodedData(std::span<const uint8_t> jpeg, size_t phase, size_t room,
                                        bool* whole) {
  *whole = false;
  std::optional<size_t> first_data;  // where the first coded data begins
  // Keeps [0, cut) and ends the image there, when some coded data is kept.
  auto cut_at = [&](size_t cut) -> std::optional<MendedJpeg> {
    if (!first_data || cut <= *first_data || cut + 2 > room) return std::nullopt;
    MendedJpeg mended;
    mended.bytes.assign(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
    mended.bytes.push_back(kJpegMarker);
    mended.bytes.push_back(kJpegEndOfImage);
    mended.bytes.resize(room, 0);
    mended.kept = cut;
    return mended;
  };
  // With restart markers a decoder takes up again at the next one after the damage, so the
  // picture loses one stretch only: there the markers the damage made, which would stop the
  // decoder, are turned into coded bytes instead of cutting.
  bool restarts = false;
  std::vector<uint8_t> neutral;
  auto neutralized = [&](bool at_end) -> std::optional<MendedJpeg> {
    *whole = at_end && neutral.empty();
    if (neutral.empty() || jpeg.size() > room) return std::nullopt;
    neutral.resize(room, 0);
    return MendedJpeg{std::move(neutral), jpeg.size()};
  };
  size_t pos = 2;
  while (jpeg.size() - pos >= 2) {
    const uint8_t m = jpeg[pos + 1];
    if (jpeg[pos] == kJpegMarker && m == kJpegMarker) {
      ++pos;
      continue;
    }
    if (jpeg[pos] == kJpegMarker && m == kJpegEndOfImage) return neutralized(true);
    const size_t length = jpeg.size() - pos >= 4 ? LoadU16BigEndian(jpeg.data() + pos + 2) : 0;
    // Damage among the segments: what the scans before them gave is kept.
    if (jpeg[pos] != kJpegMarker || !OpensSegment(m) || length < 2 ||
        length > jpeg.size() - pos - 2)
      return restarts ? neutralized(false) : cut_at(pos);
    if (m == kJpegRestartInterval && length == 4 && LoadU16BigEndian(jpeg.data() + pos + 4) != 0)
      restarts = true;
    pos += 2 + length;
    if (m != kJpegStartOfScan) continue;
    if (!first_data) first_data = pos;
    for (;;) {
      bool damaged = false;
      size_t end = EndOfCodedData(jpeg, pos, &damaged);
      // Damage that left no marker shows where the codes stop making blocks; random codes
      // read on for a while, so the damage may lie a block further back than marks show.
      std::optional<size_t> unmarked;
      if (!damaged && !restarts && pos == *first_data && end + 2 <= jpeg.size() &&
          jpeg[end + 1] == kJpegEndOfImage)
        unmarked = JpegScanFailsAt(jpeg, pos, end);
      if (unmarked) {
        damaged = true;
        end = *unmarked >= pos + kDamageBlock ? *unmarked - kDamageBlock : pos;
      }
      if (!damaged) {
        pos = end;
        break;
      }
      // Coded data to the very end, its end marker lost: nothing shows where damage began.
      if (end >= jpeg.size()) return restarts ? neutralized(false) : std::nullopt;
      if (restarts) {
        if (neutral.empty()) neutral.assign(jpeg.begin(), jpeg.end());
        neutral[end] = 0x00;
        pos = end + 1;
        continue;
      }
      // The damage began in the block holding `end`, or unseen in the one before.
      const size_t block_start = end - (end + phase) % kDamageBlock;
      size_t cut = block_start >= kDamageBlock ? block_start - kDamageBlock : 0;
      if (cut < pos) cut = pos;  // never into this scan's header
      if (cut > pos && jpeg[cut - 1] == kJpegMarker)
        --cut;  // not between a marker byte and its pair
      // The only scan of a sequential picture is read again past its damage where it can be.
      if (pos == *first_data)
        if (std::optional<std::vector<uint8_t>> resumed =
                ResumeJpegScan(jpeg, pos, cut, phase, room))
          return MendedJpeg{std::move(*resumed), cut};
      return cut_at(cut);
    }
  }
  return restarts ? neutralized(false) : cut_at(pos);
}

// Where the segments from `at` fail before they reach the first scan; nullopt when they
// reach it (or the end of the image).
std::optional<size_t> BrokenHeadAt(std::span<const uint8_t> jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != kJpegMarker || jpeg[1] != kJpegStartOfImage) return 0;
  for (size_t pos = 2; jpeg.size() - pos >= 4;) {
    const uint8_t m = jpeg[pos + 1];
    if (jpeg[pos] == kJpegMarker && m == kJpegMarker) {
      ++pos;
      continue;
    }
    const size_t length = LoadU16BigEndian(jpeg.data() + pos + 2);
    if (jpeg[pos] != kJpegMarker || !OpensSegment(m) || length < 2 ||
        length > jpeg.size() - pos - 2)
      return pos;
    if (m == kJpegStartOfScan) return std::nullopt;
    pos += 2 + length;
  }
  return std::nullopt;
}

// The frame's size in pixels when the segments from `at` lead, through quantisation tables
// and a frame header, to a scan.
std::optional<uint64_t> FrameBeforeScan(std::span<const uint8_t> jpeg, size_t at) {
  constexpr int kMostSegments = 64;
  std::optional<uint64_t> area;
  bool tables = false;
  for (int n = 0; n < kMostSegments && jpeg.size() - at >= 4; ++n) {
    const uint8_t m = jpeg[at + 1];
    const size_t length = LoadU16BigEndian(jpeg.data() + at + 2);
    if (jpeg[at] != kJpegMarker || !OpensSegment(m) || length < 2 || length > jpeg.size() - at - 2)
      return std::nullopt;
    if (m == kJpegStartOfScan) return tables ? area : std::nullopt;
    if (m == 0xDB) tables = true;
    const bool frame = m >= 0xC0 && m <= 0xCF && m != kJpegHuffmanTables && m != 0xC8 && m != 0xCC;
    if (frame && length >= 8)
      area =
          uint64_t{LoadU16BigEndian(jpeg.data() + at + 5)} * LoadU16BigEndian(jpeg.data() + at + 7);
    at += 2 + length;
  }
  return std::nullopt;
}

}  // namespace

std::optional<size_t> JpegSegmentsFrom(std::span<const uint8_t> bytes, size_t from) {
  constexpr size_t kFarthest = size_t{4} << 20;
  std::optional<size_t> best;
  uint64_t largest = 0;
  const size_t end =
      bytes.size() - std::min(bytes.size(), kFarthest) > from ? from + kFarthest : bytes.size();
  // The largest frame wins: a small one is the thumbnail in the application data.
  for (size_t at = from; at + 4 <= end; ++at) {
    if (bytes[at] != kJpegMarker || !OpensSegment(bytes[at + 1])) continue;
    const std::optional<uint64_t> area = FrameBeforeScan(bytes, at);
    if (area && (!best || *area > largest)) {
      best = at;
      largest = *area;
    }
  }
  return best;
}

std::optional<MendedJpeg> MendDamagedJpeg(std::span<const uint8_t> jpeg, size_t phase,
                                          size_t room) {
  bool whole = false;
  const std::optional<size_t> broken = BrokenHeadAt(jpeg);
  if (!broken) return MendCodedData(jpeg, phase, room, &whole);
  // The segments before the coded data are damaged: the picture takes up again where the
  // ones that lead to its frame and scan begin (application data in between is lost).
  const std::optional<size_t> resume = JpegSegmentsFrom(jpeg, std::max<size_t>(*broken, 2));
  if (!resume) return std::nullopt;
  std::vector<uint8_t> joined = {kJpegMarker, kJpegStartOfImage};
  joined.insert(joined.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(*resume), jpeg.end());
  const size_t joined_phase = (phase + *resume - 2) % kDamageBlock;
  std::optional<MendedJpeg> mended = MendCodedData(joined, joined_phase, room, &whole);
  if (mended || !whole || joined.size() > room) return mended;
  joined.resize(room, 0);
  return MendedJpeg{std::move(joined), jpeg.size() - *resume + 2};
}

}  // namespace vlx
