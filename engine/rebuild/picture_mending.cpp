#include "engine/rebuild/picture_mending.h"

#include <algorithm>
#include <map>
#include <vector>

#include "engine/fast/carve_output_file.h"
#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/png_mending.h"
#include "engine/rebuild/resolved_pictures.h"
#include "engine/scan/pictures/blip_layout.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr size_t kSizeAt = 20;  // in an FBSE body
constexpr size_t kDelayAt = 28;
constexpr size_t kEntryBody = 36;
constexpr uint16_t kTypePngBlip = kTypeBlipFirst + 6;
// A picture record larger than this is left as it is.
constexpr uint32_t kLargestMended = uint32_t{64} << 20;
constexpr size_t kCopyBlock = size_t{1} << 20;

// A mended picture record, by its stream offset.
struct Patch {
  std::vector<uint8_t> record;
  MendedPng png;  // its picture's rows (the bytes are in `record`)
};

// The mended record of the PNG picture an entry points at.
void MendEntryPicture(std::span<const uint8_t> entry, DamagedFile& pictures,
                      std::map<uint64_t, Patch>& patches) {
  const uint32_t size = LoadU32(entry.data() + kSizeAt);
  const uint32_t at = LoadU32(entry.data() + kDelayAt);
  if (size <= kHeader || size > kLargestMended || patches.count(at) != 0) return;
  Patch patch;
  patch.record.resize(size);
  if (pictures.ReadAt(at, patch.record.data(), size) != size ||
      LoadU32(patch.record.data() + 4) != size - kHeader)
    return;
  std::optional<MendedPng> mended = MendPictureRecord(patch.record, at);
  if (!mended) return;
  patch.png = std::move(*mended);
  patches.emplace(at, std::move(patch));
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

std::optional<MendedPng> MendPictureRecord(std::span<uint8_t> record, uint64_t stream_offset) {
  if (record.size() <= kHeader || LoadU16(record.data() + 2) != kTypePngBlip ||
      LoadU32(record.data() + 4) != record.size() - kHeader)
    return std::nullopt;
  const std::optional<BlipLayout> layout = BlipLayoutOf(LoadU16(record.data()));
  if (!layout || layout->kind != BlipLayout::Kind::kRaster || layout->data_offset >= record.size())
    return std::nullopt;
  const std::span<uint8_t> png = record.subspan(layout->data_offset);
  std::optional<MendedPng> mended =
      MendDamagedPng(png, (stream_offset + layout->data_offset) % kDamageBlock, png.size());
  if (!mended) return std::nullopt;
  std::copy(mended->bytes.begin(), mended->bytes.end(), png.begin());
  mended->bytes.clear();
  return mended;
}

std::optional<PictureMending> MendDamagedPictures(std::span<const uint8_t> document_stream,
                                                  DamagedFile& pictures, const std::string& target,
                                                  std::string* error) {
  std::map<uint64_t, Patch> patches;
  for (std::span<const uint8_t> child : ChildRecords(NewestBlipStore(document_stream)))
    if (GetU16(child, 2) == kTypeBlipStoreEntry && child.size() >= kHeader + kEntryBody)
      MendEntryPicture(child.subspan(kHeader), pictures, patches);
  if (patches.empty() || !CopyWithPatches(pictures, patches, target, error)) return std::nullopt;
  PictureMending mending;
  for (const auto& [offset, patch] : patches) {
    ++mending.mended;
    mending.rows_kept += patch.png.rows_kept;
    mending.rows += patch.png.height;
  }
  return mending;
}

}  // namespace vlx
