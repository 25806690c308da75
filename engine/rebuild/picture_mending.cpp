#include "engine/rebuild/picture_mending.h"

#include <algorithm>
#include <map>
#include <vector>

#include "engine/fast/carve_output_file.h"
#include "engine/format/blip_store_entry.h"
#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/object_previews.h"
#include "engine/rebuild/resolved_pictures.h"
#include "engine/scan/pictures/blip_layout.h"
#include "engine/scan/pictures/jpeg_mending.h"
#include "engine/scan/pictures/metafile_blip.h"
#include "engine/scan/pictures/metafile_mending.h"
#include "engine/scan/pictures/png_mending.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint16_t kTypeEmfBlip = kTypeBlipFirst + 2;
constexpr uint16_t kTypeWmfBlip = kTypeBlipFirst + 3;
constexpr uint16_t kTypeJpegBlip = kTypeBlipFirst + 5;
constexpr uint16_t kTypePngBlip = kTypeBlipFirst + 6;
constexpr uint16_t kTypeCmykJpegBlip = kTypeBlipFirst + 0x12;
// A picture record larger than this is left as it is.
constexpr uint32_t kLargestMended = uint32_t{64} << 20;
constexpr size_t kCopyBlock = size_t{1} << 20;

constexpr size_t kUid = 16;
constexpr uint8_t kKindEmf = 2;
constexpr uint8_t kKindWmf = 3;
constexpr uint8_t kKindPict = 4;
constexpr uint8_t kKindJpeg = 5;
constexpr uint8_t kKindPng = 6;
constexpr uint8_t kRasterTag = 0xFF;

// A mended picture record, by its stream offset.
struct Patch {
  std::vector<uint8_t> record;
  bool header_restored = false;
  std::optional<MendedPicture> picture;  // what mending its picture kept
};

bool PictureBeginsAt(std::span<const uint8_t> record, size_t at, uint8_t kind) {
  if (kind == kKindPng) {  // the header chunk right after the signature
    static constexpr uint8_t kHeaderChunk[8] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    return record.size() >= at + 16 && std::equal(kHeaderChunk, kHeaderChunk + 8, &record[at + 8]);
  }
  // A JPEG marker segment right after the start-of-image marker.
  return record.size() >= at + 4 && record[at + 2] == 0xFF &&
         (record[at + 3] == 0xE0 || record[at + 3] == 0xE1 || record[at + 3] == 0xDB ||
          record[at + 3] == 0xC4 || record[at + 3] == 0xC0 || record[at + 3] == 0xEE);
}

// Rewrites what damage left of a PNG or JPEG record's first bytes (its header, the unique
// id, the tag, the picture's own signature) from its blip-store entry, where no picture
// record header stands and the picture itself still begins where one or two ids before it
// put it. True when something changed.
bool RestoreBlipHeader(std::span<uint8_t> record, std::span<const uint8_t> entry) {
  const uint8_t kind = entry[kBlipEntryKindAt];
  if (kind != kKindPng && kind != kKindJpeg) return false;
  const uint16_t instance = kind == kKindPng ? kBlipInstancePng : kBlipInstanceJpeg;
  const uint16_t type = static_cast<uint16_t>(kTypeBlipFirst + kind);
  const auto length = static_cast<uint32_t>(record.size() - kHeader);
  const std::span<const uint8_t> uid = entry.subspan(kBlipEntryUidAt, kUid);
  // A well-formed picture record header is never taken for damage, even one that names
  // another picture: that record is another picture's, not this one's.
  const uint16_t found_type = LoadU16(record.data() + 2);
  if (found_type >= kTypeBlipFirst && found_type <= kTypeBlipLast &&
      BlipLayoutOf(LoadU16(record.data())))
    return false;
  size_t ids = 0;
  for (const size_t n : {size_t{1}, size_t{2}})
    if (ids == 0 && PictureBeginsAt(record, kHeader + n * kUid + 1, kind)) ids = n;
  // A JPEG whose first segments are lost too: one id, as nearly every one has, when the
  // segments that lead to its scan are still there; the mender takes up again at them.
  if (ids == 0 && kind == kKindJpeg && JpegSegmentsFrom(record, kHeader + kUid + 1)) ids = 1;
  if (ids == 0) return false;
  const size_t picture = kHeader + ids * kUid + 1;
  std::vector<uint8_t> first(picture);
  StoreU16(first.data(), static_cast<uint16_t>((instance + ids - 1) << 4));
  StoreU16(first.data() + 2, type);
  StoreU32(first.data() + 4, length);
  std::copy(uid.begin(), uid.end(), first.begin() + kHeader);
  // A second id (a picture's original) cannot be told: it stays as found.
  std::copy(record.begin() + kHeader + kUid, record.begin() + picture,
            first.begin() + kHeader + kUid);
  first[picture - 1] = kRasterTag;
  std::copy(first.begin(), first.end(), record.begin());
  if (kind == kKindJpeg) {
    record[picture] = 0xFF;
    record[picture + 1] = 0xD8;
  }  // a PNG's signature is the mender's to restore
  return true;
}

// A metafile picture record whose header holds and whose metafile inflates whole, through
// its check value. One stored as it is cannot be told from a damaged one, and counts whole.
bool WholeMetafileRecord(std::span<const uint8_t> record) {
  const uint16_t type = LoadU16(record.data() + 2);
  const std::optional<BlipLayout> layout = BlipLayoutOf(LoadU16(record.data()));
  if (type < kTypeBlipFirst || type > kTypeBlipLast || !layout ||
      layout->kind != BlipLayout::Kind::kMetafile ||
      LoadU32(record.data() + 4) != record.size() - kHeader ||
      record.size() < layout->data_offset + kMetafileHeaderSize)
    return false;
  const std::span<const uint8_t> stored = record.subspan(layout->data_offset);
  if (stored[kMetafileCompressionAt] != kMetafileDeflated) return true;
  const std::optional<UnpackedMetafile> metafile = UnpackMetafile(stored);
  return metafile && metafile->bytes.size() == LoadU32(stored.data() + kMetafileSizeAt);
}

// The mended record of the picture an entry points at; `preview`, when given, is the
// picture the embedded object that shows it keeps of itself.
void MendEntryPicture(std::span<const uint8_t> entry, const ObjectPreview* preview,
                      DamagedFile& pictures, std::map<uint64_t, Patch>& patches) {
  const uint32_t size = LoadU32(entry.data() + kBlipEntrySizeAt);
  const uint32_t at = LoadU32(entry.data() + kBlipEntryOffsetAt);
  if (size <= kHeader + 2 * kUid + 1 || size > kLargestMended || patches.count(at) != 0) return;
  Patch patch;
  patch.record.resize(size);
  if (pictures.ReadAt(at, patch.record.data(), size) != size) return;
  const uint8_t kind = entry[kBlipEntryKindAt];
  if (preview != nullptr && (kind == kKindEmf || kind == kKindWmf || kind == kKindPict) &&
      !WholeMetafileRecord(patch.record))
    if (std::optional<std::vector<uint8_t>> drawn =
            PreviewPictureRecord(*preview, entry.subspan(kBlipEntryUidAt, kUid), size)) {
      patch.record = std::move(*drawn);
      patch.picture = MendedPicture{MendedPicture::Kind::kObjectPreview, 0, 0, 0};
      patches.emplace(at, std::move(patch));
      return;
    }
  patch.header_restored = RestoreBlipHeader(patch.record, entry);
  patch.picture = MendPictureRecord(patch.record, at);
  if (patch.header_restored || patch.picture) patches.emplace(at, std::move(patch));
}

bool CopyWithPatches(DamagedFile& pictures, std::map<uint64_t, Patch>& patches,
                     const std::string& target, std::string* error) {
  OutputFile out;
  if (!out.Create(target)) {
    *error = out.error();
    return false;
  }
  std::vector<uint8_t> block(kCopyBlock);
  const uint64_t length = pictures.GetLength();
  uint64_t pos = 0;
  auto copy_to = [&](uint64_t end) {
    while (pos < end) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), end - pos));
      const size_t got = pictures.ReadAt(pos, block.data(), want);
      out.Write(block.data(), got);
      pos += got;
      if (got != want) return false;
    }
    return true;
  };
  bool whole = true;
  for (auto it = patches.begin(); it != patches.end();) {
    if (it->first < pos) {  // two entries naming overlapping records: the first one wins
      it = patches.erase(it);
      continue;
    }
    whole = whole && copy_to(it->first);
    out.Write(it->second.record.data(), it->second.record.size());
    pos += it->second.record.size();
    ++it;
  }
  whole = whole && copy_to(length);
  if (!out.Close() || !whole) {
    *error = out.error().empty() ? "the pictures stream could not be read back whole" : out.error();
    return false;
  }
  return true;
}

}  // namespace

std::optional<MendedPicture> MendPictureRecord(std::span<uint8_t> record, uint64_t stream_offset) {
  if (record.size() <= kHeader || LoadU32(record.data() + 4) != record.size() - kHeader)
    return std::nullopt;
  const uint16_t type = LoadU16(record.data() + 2);
  const std::optional<BlipLayout> layout = BlipLayoutOf(LoadU16(record.data()));
  if (!layout || layout->data_offset >= record.size()) return std::nullopt;
  const std::span<uint8_t> picture = record.subspan(layout->data_offset);
  const size_t phase = (stream_offset + layout->data_offset) % kDamageBlock;
  using Kind = MendedPicture::Kind;
  MendedPicture mended;
  std::vector<uint8_t> bytes;
  if (type == kTypePngBlip && layout->kind == BlipLayout::Kind::kRaster) {
    std::optional<MendedPng> png = MendDamagedPng(picture, phase, picture.size());
    if (!png) return std::nullopt;
    mended = {Kind::kPng, png->rows_kept, png->height, png->rows_resumed};
    bytes = std::move(png->bytes);
  } else if ((type == kTypeJpegBlip || type == kTypeCmykJpegBlip) &&
             layout->kind == BlipLayout::Kind::kRaster) {
    std::optional<MendedJpeg> jpeg = MendDamagedJpeg(picture, phase, picture.size());
    if (!jpeg) return std::nullopt;
    mended = {Kind::kJpeg, jpeg->kept, picture.size()};
    bytes = std::move(jpeg->bytes);
  } else if ((type == kTypeWmfBlip || type == kTypeEmfBlip) &&
             layout->kind == BlipLayout::Kind::kMetafile) {
    std::optional<MendedMetafile> metafile =
        MendDamagedMetafile(picture, type == kTypeWmfBlip ? MetafileKind::kWmf : MetafileKind::kEmf,
                            phase, picture.size());
    if (!metafile) return std::nullopt;
    mended = {Kind::kMetafile, metafile->records_kept, 0};
    bytes = std::move(metafile->bytes);
  } else {
    return std::nullopt;
  }
  std::copy(bytes.begin(), bytes.end(), picture.begin());
  return mended;
}

std::optional<PictureMending> MendDamagedPictures(std::span<const uint8_t> document_stream,
                                                  DamagedFile& pictures, const std::string& target,
                                                  std::string* error) {
  std::map<uint64_t, Patch> patches;
  const std::map<uint32_t, ObjectPreview> previews = ObjectPreviewsByBlip(document_stream);
  uint32_t index = 0;  // shapes name the store's pictures from 1
  for (std::span<const uint8_t> child : ChildRecords(NewestBlipStore(document_stream))) {
    ++index;
    const auto preview = previews.find(index);
    if (GetU16(child, 2) == kTypeBlipStoreEntry && child.size() >= kHeader + kBlipEntryBody)
      MendEntryPicture(child.subspan(kHeader),
                       preview == previews.end() ? nullptr : &preview->second, pictures, patches);
  }
  if (patches.empty() || !CopyWithPatches(pictures, patches, target, error)) return std::nullopt;
  PictureMending mending;
  for (const auto& [offset, patch] : patches) {
    if (patch.header_restored) ++mending.headers_restored;
    if (!patch.picture) continue;
    if (patch.picture->kind == MendedPicture::Kind::kJpeg) ++mending.jpegs_cut;
    if (patch.picture->kind == MendedPicture::Kind::kMetafile) ++mending.metafiles_cut;
    if (patch.picture->kind == MendedPicture::Kind::kObjectPreview) ++mending.previews_used;
    if (patch.picture->kind != MendedPicture::Kind::kPng) continue;
    ++mending.mended;
    mending.rows_kept += patch.picture->kept;
    mending.rows_resumed += patch.picture->resumed;
    mending.rows += patch.picture->whole;
  }
  return mending;
}

}  // namespace vlx
