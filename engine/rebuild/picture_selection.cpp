#include "engine/rebuild/picture_selection.h"

#include <algorithm>

#include "engine/format/blip_store_entry.h"
#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/picture_mending.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint32_t kNowhere = 0xFFFFFFFF;

// True when the entry's picture follows its fixed fields inside the store.
bool CarriesItsPicture(std::span<const uint8_t> body) {
  return body.size() > kBlipEntryBody + size_t{body[kBlipEntryNameLengthAt]};
}

void MarkEmpty(std::span<uint8_t> body) {
  if (GetU32(body, kBlipEntrySizeAt) == 0) return;  // already names no picture
  PutU32(body, kBlipEntrySizeAt, 0);
  PutU32(body, kBlipEntryReferencesAt, 0);
  PutU32(body, kBlipEntryOffsetAt, kNowhere);
}

}  // namespace

SelectedPictures SelectPictures(std::span<const uint8_t> blip_store,
                                const std::set<uint32_t>& references,
                                const BlipCatalogue& catalogue, DamagedFile& pictures_file) {
  SelectedPictures out;
  out.blip_store.assign(blip_store.begin(), blip_store.end());
  std::span<uint8_t> store(out.blip_store);
  if (store.size() < kHeader) return out;
  const size_t end = std::min<size_t>(store.size(), kHeader + size_t{GetU32(store, 4)});
  uint32_t index = 0;
  for (size_t at = kHeader; at + kHeader <= end;) {
    const size_t length = GetU32(store, at + 4);
    if (length > end - at - kHeader) break;
    const size_t next = at + kHeader + length;
    if (GetU16(store, at + 2) != kTypeBlipStoreEntry) {
      at = next;
      continue;
    }
    ++index;
    std::span<uint8_t> body = store.subspan(at + kHeader, length);
    at = next;
    if (body.size() < kBlipEntryBody || CarriesItsPicture(body)) continue;
    BlipUid uid;
    std::copy_n(body.begin() + kBlipEntryUidAt, uid.size(), uid.begin());
    const std::optional<BlipLocation> where =
        references.count(index) != 0 ? catalogue.Find(uid) : std::nullopt;
    if (!where || out.pictures.size() + where->length > kNowhere) {
      MarkEmpty(body);
      continue;
    }
    const size_t start = out.pictures.size();
    out.pictures.resize(start + static_cast<size_t>(where->length));
    const size_t got = pictures_file.ReadAt(where->offset, out.pictures.data() + start,
                                            static_cast<size_t>(where->length));
    if (got != where->length) {
      out.pictures.resize(start);
      MarkEmpty(body);
      continue;
    }
    // A damaged picture is mended in place, in the same length.
    if (MendPictureRecord(std::span<uint8_t>(out.pictures).subspan(start), where->offset))
      ++out.mended;
    PutU32(body, kBlipEntrySizeAt, static_cast<uint32_t>(where->length));
    PutU32(body, kBlipEntryOffsetAt, static_cast<uint32_t>(start));
    ++out.carried;
  }
  return out;
}

std::unique_ptr<PictureSource> PictureSource::Open(const std::string& pictures_path) {
  std::unique_ptr<DamagedFile> file = DamagedFile::Open(pictures_path);
  if (!file) return nullptr;
  BlipCatalogue catalogue = BlipCatalogue::Read(*file);
  return std::unique_ptr<PictureSource>(new PictureSource(std::move(file), std::move(catalogue)));
}

}  // namespace vlx
