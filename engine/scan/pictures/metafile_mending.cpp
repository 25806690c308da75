#include "engine/scan/pictures/metafile_mending.h"

#include <zlib.h>

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/block_inflate.h"
#include "engine/scan/pictures/metafile_blip.h"

namespace vlx {
namespace {

// WMF: an 18-byte header, then records of a 32-bit size in 16-bit words and a function.
constexpr size_t kWmfHeader = 18;
constexpr size_t kWmfSizeAt = 6;      // words, header included
constexpr size_t kWmfLargestAt = 12;  // the largest record, in words
constexpr uint16_t kWmfEndOfFile = 0x0000;
constexpr uint32_t kWmfEndOfFileWords = 3;
// EMF: records of a 32-bit type and a 32-bit size in bytes; the first is the header.
constexpr uint32_t kEmfHeaderType = 1;
constexpr uint32_t kEmfEndOfFileType = 14;
constexpr uint32_t kEmfLastType = 122;
constexpr size_t kEmfBytesAt = 48;  // in the header record: the file's size and record count
constexpr size_t kEmfRecordsAt = 52;
constexpr size_t kEmfSmallestHeader = 88;

struct Records {
  size_t header = 0;         // bytes of the header (0: no metafile of this kind)
  std::vector<size_t> ends;  // where each whole record after it ends
  size_t wrong = 0;          // where the first record that cannot be begins, else the end
};

Records WalkWmf(const std::vector<uint8_t>& m, size_t produced, size_t declared) {
  Records r;
  // A memory or disk metafile whose header is nine words long.
  if (produced < kWmfHeader || (LoadU16(m.data()) != 1 && LoadU16(m.data()) != 2) ||
      LoadU16(m.data() + 2) != kWmfHeader / 2)
    return r;
  r.header = kWmfHeader;
  size_t at = kWmfHeader;
  r.wrong = produced;
  while (produced - at >= 6) {
    const uint64_t bytes = uint64_t{LoadU32(m.data() + at)} * 2;
    if (bytes < 6 || bytes > declared - at) {
      r.wrong = at;
      break;
    }
    if (bytes > produced - at) break;  // whole, as far as it goes
    at += static_cast<size_t>(bytes);
    r.ends.push_back(at);
  }
  return r;
}

Records WalkEmf(const std::vector<uint8_t>& m, size_t produced, size_t declared) {
  Records r;
  if (produced < kEmfSmallestHeader || LoadU32(m.data()) != kEmfHeaderType) return r;
  const uint32_t header = LoadU32(m.data() + 4);
  if (header < kEmfSmallestHeader || header > produced || header % 4 != 0) return r;
  r.header = header;
  size_t at = header;
  r.wrong = produced;
  while (produced - at >= 8) {
    const uint32_t type = LoadU32(m.data() + at);
    const uint32_t bytes = LoadU32(m.data() + at + 4);
    if (type == 0 || type > kEmfLastType || type == kEmfHeaderType || bytes < 8 || bytes % 4 != 0 ||
        bytes > declared - at) {
      r.wrong = at;
      break;
    }
    if (bytes > produced - at) break;  // whole, as far as it goes
    at += bytes;
    r.ends.push_back(at);
  }
  return r;
}

// The records [0, end) with an end-of-file record after them and the header's counts set.
std::vector<uint8_t> EndedMetafile(const std::vector<uint8_t>& m, size_t end, size_t records,
                                   MetafileKind kind) {
  std::vector<uint8_t> out(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(end));
  if (kind == MetafileKind::kWmf) {
    uint8_t eof[6];
    StoreU32(eof, kWmfEndOfFileWords);
    StoreU16(eof + 4, kWmfEndOfFile);
    out.insert(out.end(), eof, eof + sizeof eof);
    uint32_t largest = kWmfEndOfFileWords;
    for (size_t at = kWmfHeader; out.size() - at >= 6;) {
      const uint32_t words = LoadU32(out.data() + at);
      largest = std::max(largest, words);
      at += size_t{words} * 2;
    }
    StoreU32(out.data() + kWmfSizeAt, static_cast<uint32_t>(out.size() / 2));
    StoreU32(out.data() + kWmfLargestAt, largest);
    return out;
  }
  uint8_t eof[20] = {};
  StoreU32(eof, kEmfEndOfFileType);
  StoreU32(eof + 4, sizeof eof);
  StoreU32(eof + 12, 16);  // where palette entries would begin: none follow
  StoreU32(eof + 16, sizeof eof);
  out.insert(out.end(), eof, eof + sizeof eof);
  StoreU32(out.data() + kEmfBytesAt, static_cast<uint32_t>(out.size()));
  StoreU32(out.data() + kEmfRecordsAt, static_cast<uint32_t>(records + 2));  // header, eof
  return out;
}

}  // namespace

std::optional<MendedMetafile> MendDamagedMetafile(std::span<const uint8_t> stored,
                                                  MetafileKind kind, size_t phase, size_t room) {
  if (!MetafileHeaderIsSound(stored) || stored[kMetafileCompressionAt] != kMetafileDeflated)
    return std::nullopt;
  const uint32_t size = LoadU32(stored.data() + kMetafileSizeAt);
  const uint32_t packed = LoadU32(stored.data() + kMetafileStoredSizeAt);
  const std::span<const uint8_t> data = stored.subspan(
      kMetafileHeaderSize, std::min<size_t>(packed, stored.size() - kMetafileHeaderSize));
  BlockInflater inflater(size);
  inflater.Feed(data, phase + kMetafileHeaderSize);
  const size_t produced = inflater.produced();
  const std::vector<uint8_t>& m = inflater.out();
  // A stream that ended passed its own check value: the metafile is as it was written.
  if (inflater.ended() && produced == size) return std::nullopt;
  const Records records =
      kind == MetafileKind::kWmf ? WalkWmf(m, produced, size) : WalkEmf(m, produced, size);
  if (records.header == 0) return std::nullopt;
  // Random bytes read as a record give one that cannot be, so the damage shows at the first
  // record it reaches: the records that end before the piece where it showed are right.
  // The one that reaches into that piece is not kept, whatever its end.
  const size_t right = inflater.PieceStartBefore(records.wrong);
  size_t kept = 0;
  while (kept < records.ends.size() && records.ends[kept] < right) ++kept;
  if (kept == 0) return std::nullopt;
  const std::vector<uint8_t> ended = EndedMetafile(m, records.ends[kept - 1], kept, kind);

  uLongf bound = compressBound(static_cast<uLong>(ended.size()));
  std::vector<uint8_t> deflated(bound);
  if (compress2(deflated.data(), &bound, ended.data(), static_cast<uLong>(ended.size()), 9) != Z_OK)
    return std::nullopt;
  deflated.resize(bound);
  if (kMetafileHeaderSize + deflated.size() > room) return std::nullopt;
  MendedMetafile mended;
  mended.bytes.assign(stored.begin(), stored.begin() + kMetafileHeaderSize);
  StoreU32(mended.bytes.data() + kMetafileSizeAt, static_cast<uint32_t>(ended.size()));
  StoreU32(mended.bytes.data() + kMetafileStoredSizeAt, static_cast<uint32_t>(deflated.size()));
  mended.bytes.insert(mended.bytes.end(), deflated.begin(), deflated.end());
  mended.bytes.resize(room, 0);
  mended.records_kept = kept;
  return mended;
}

}  // namespace vlx
