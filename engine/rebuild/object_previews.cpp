#include "engine/rebuild/object_previews.h"

#include <zlib.h>

#include <set>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/own_records_stream.h"
#include "engine/rebuild/stream_records.h"
#include "engine/storage/compound_file_reader.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr uint16_t kTypeExternalOleEmbed = 0x0FCC;
constexpr uint16_t kTypeExternalOleObjectAtom = 0x0FC3;
constexpr uint16_t kTypeExternalObjectRefAtom = 0x0BC1;
constexpr uint16_t kTypeWmfBlip = kTypeBlipFirst + 3;
constexpr uint16_t kWmfBlipInstance = 0x216;
// An object atom: how it is drawn, its kind, its id, its sub-kind, its stored object.
constexpr size_t kObjectAtomBody = 24;
constexpr uint32_t kDrawnAsContent = 1;
constexpr size_t kObjectIdAt = 8;
constexpr size_t kObjectStorageAt = 16;
// The shape property that names the picture a shape shows, by its blip-store index.
constexpr uint16_t kPropertyBlip = 0x0104;
constexpr uint16_t kPropertyIdMask = 0x3FFF;
constexpr uint16_t kPropertyIsBlip = 0x4000;
constexpr size_t kPropertySize = 6;
// A stored object larger than this, inflated, is not read.
constexpr uint32_t kLargestStorage = uint32_t{64} << 20;
// A cached presentation: the clipboard format, the target device, and the picture's fields.
constexpr uint32_t kStandardFormatMark = 0xFFFFFFFF;
constexpr uint32_t kStandardFormatMarkOld = 0xFFFFFFFE;
constexpr uint32_t kMetafilePictureFormat = 3;
constexpr uint32_t kHimetricToEmu = 360;
// WMF: the header, records of a size in words and a function, and the window records.
constexpr size_t kWmfHeader = 18;
constexpr uint16_t kWmfSetWindowOrigin = 0x020B;
constexpr uint16_t kWmfSetWindowExtent = 0x020C;
constexpr size_t kMetafileHeader = 34;
constexpr size_t kUid = 16;

struct Window {
  std::optional<std::pair<int16_t, int16_t>> origin, extent;  // x, y
};

// The first window origin and extent a metafile sets; empty when it is not a sound WMF.
std::optional<Window> WmfWindow(std::span<const uint8_t> wmf) {
  if (wmf.size() < kWmfHeader || (LoadU16(wmf.data()) != 1 && LoadU16(wmf.data()) != 2) ||
      LoadU16(wmf.data() + 2) != kWmfHeader / 2)
    return std::nullopt;
  Window window;
  for (size_t at = kWmfHeader; wmf.size() - at >= 6;) {
    const uint64_t bytes = uint64_t{LoadU32(wmf.data() + at)} * 2;
    const uint16_t function = LoadU16(wmf.data() + at + 4);
    if (bytes < 6 || bytes > wmf.size() - at) return std::nullopt;
    if (function == 0) break;
    if (bytes >= 10 && (function == kWmfSetWindowOrigin || function == kWmfSetWindowExtent)) {
      // The parameters stand in reverse order: y, then x.
      const std::pair<int16_t, int16_t> xy{static_cast<int16_t>(LoadU16(wmf.data() + at + 8)),
                                           static_cast<int16_t>(LoadU16(wmf.data() + at + 6))};
      auto& field = function == kWmfSetWindowOrigin ? window.origin : window.extent;
      if (!field) field = xy;
    }
    at += static_cast<size_t>(bytes);
  }
  return window;
}

// The records at the top level of a stream: the last Document container and the last
// user edit's offset.
struct NewestRecords {
  std::span<const uint8_t> document;
  std::optional<uint32_t> edit;
};

NewestRecords FindNewest(std::span<const uint8_t> stream) {
  NewestRecords newest;
  records::ForEachTopLevelRecord(stream, stream.size(), [&](size_t at, const RecordHeader& h) {
    if (h.type == kTypeDocument) newest.document = stream.subspan(at, kHeader + size_t{h.length});
    if (h.type == kTypeUserEditAtom) newest.edit = static_cast<uint32_t>(at);
  });
  return newest;
}

// The blip-store index a shape's properties name for its picture; 0 for none.
uint32_t ShapeBlip(std::span<const uint8_t> shape) {
  const std::span<const uint8_t> options = FirstChild(shape, kTypeShapeOptions);
  if (options.empty()) return 0;
  const size_t count = LoadU16(options.data()) >> 4;
  for (size_t i = 0; i < count && options.size() - kHeader >= (i + 1) * kPropertySize; ++i) {
    const uint8_t* property = options.data() + kHeader + i * kPropertySize;
    const uint16_t id = LoadU16(property);
    if ((id & kPropertyIdMask) == kPropertyBlip && (id & kPropertyIsBlip) != 0)
      return LoadU32(property + 2);
  }
  return 0;
}

// The object id a shape's client data names; nullopt for a shape of no object.
std::optional<uint32_t> ShapeObject(std::span<const uint8_t> shape) {
  const std::span<const uint8_t> reference =
      FirstChild(FirstChild(shape, kTypeClientData), kTypeExternalObjectRefAtom);
  if (reference.size() < kHeader + 4) return std::nullopt;
  return LoadU32(reference.data() + kHeader);
}

// Every shape of a drawing's containers, nested groups included.
void CollectShapes(std::span<const uint8_t> container, int depth,
                   std::vector<std::span<const uint8_t>>& shapes) {
  constexpr int kDeepest = 32;
  if (depth > kDeepest) return;
  for (std::span<const uint8_t> child : ChildRecords(container)) {
    if (GetU16(child, 2) == kTypeShapeContainer) shapes.push_back(child);
    if ((child[0] & 0x0F) == 0x0F) CollectShapes(child, depth + 1, shapes);
  }
}

// The stored object of a persisted object-storage record, inflated where it is packed.
std::optional<std::vector<uint8_t>> StoredObject(std::span<const uint8_t> record) {
  if (record.size() < kHeader || GetU16(record, 2) != kTypeExternalObjectStorage)
    return std::nullopt;
  const std::span<const uint8_t> body = record.subspan(kHeader);
  if ((LoadU16(record.data()) >> 4) == 0) return std::vector<uint8_t>(body.begin(), body.end());
  if (body.size() < 4) return std::nullopt;
  const uint32_t size = LoadU32(body.data());
  if (size == 0 || size > kLargestStorage) return std::nullopt;
  std::vector<uint8_t> storage(size);
  uLongf got = size;
  if (uncompress(storage.data(), &got, body.data() + 4, static_cast<uLong>(body.size() - 4)) !=
          Z_OK ||
      got != size)
    return std::nullopt;
  return storage;
}

}  // namespace

std::optional<ObjectPreview> CachedObjectPreview(std::span<const uint8_t> storage) {
  const std::optional<std::vector<uint8_t>> stream = CompoundFileStream(storage, u"\x02OlePres000");
  if (!stream) return std::nullopt;
  const std::span<const uint8_t> p(*stream);
  if (p.size() < 12) return std::nullopt;
  const uint32_t mark = LoadU32(p.data());
  if ((mark != kStandardFormatMark && mark != kStandardFormatMarkOld) ||
      LoadU32(p.data() + 4) != kMetafilePictureFormat)
    return std::nullopt;
  const uint32_t device = LoadU32(p.data() + 8);  // counts itself
  if (device < 4 || device > p.size() - 8) return std::nullopt;
  const size_t fields = 8 + size_t{device};
  constexpr size_t kFields = 28;  // aspect, index, advice, reserved, width, height, size
  if (p.size() - fields < kFields || LoadU32(p.data() + fields) != kDrawnAsContent)
    return std::nullopt;
  const uint32_t width = LoadU32(p.data() + fields + 16);
  const uint32_t height = LoadU32(p.data() + fields + 20);
  const uint32_t size = LoadU32(p.data() + fields + 24);
  if (width == 0 || height == 0 || width > INT32_MAX / kHimetricToEmu ||
      height > INT32_MAX / kHimetricToEmu || size > p.size() - fields - kFields)
    return std::nullopt;
  const std::span<const uint8_t> wmf = p.subspan(fields + kFields, size);
  const std::optional<Window> window = WmfWindow(wmf);
  if (!window || !window->extent || window->extent->first <= 0 || window->extent->second <= 0)
    return std::nullopt;
  ObjectPreview preview;
  preview.wmf.assign(wmf.begin(), wmf.end());
  const std::pair<int16_t, int16_t> origin = window->origin.value_or(std::pair<int16_t, int16_t>{});
  preview.left = origin.first;
  preview.top = origin.second;
  preview.right = static_cast<int16_t>(origin.first + window->extent->first);
  preview.bottom = static_cast<int16_t>(origin.second + window->extent->second);
  preview.width_emu = width * kHimetricToEmu;
  preview.height_emu = height * kHimetricToEmu;
  return preview;
}

std::map<uint32_t, ObjectPreview> ObjectPreviewsByBlip(std::span<const uint8_t> document_stream) {
  std::map<uint32_t, ObjectPreview> previews;
  const NewestRecords newest = FindNewest(document_stream);
  if (newest.document.empty() || !newest.edit) return previews;
  const std::map<uint32_t, uint32_t> offsets = PersistOffsets(document_stream, *newest.edit);

  // Object id -> the persist id of its stored object, for the objects drawn as content.
  std::map<uint32_t, uint32_t> stored_as;
  for (std::span<const uint8_t> object :
       ChildRecords(FirstChild(newest.document, kTypeExternalObjectList))) {
    if (GetU16(object, 2) != kTypeExternalOleEmbed) continue;
    const std::span<const uint8_t> atom = FirstChild(object, kTypeExternalOleObjectAtom);
    if (atom.size() < kHeader + kObjectAtomBody ||
        LoadU32(atom.data() + kHeader) != kDrawnAsContent)
      continue;
    stored_as[LoadU32(atom.data() + kHeader + kObjectIdAt)] =
        LoadU32(atom.data() + kHeader + kObjectStorageAt);
  }

  // Blip index -> the object whose shapes show it.
  std::map<uint32_t, uint32_t> shown_for;
  std::set<uint32_t> shared;
  for (const auto& [id, offset] : offsets) {
    const std::span<const uint8_t> record = records::WholeRecordAt(document_stream, offset);
    if (record.empty()) continue;
    const uint16_t type = GetU16(record, 2);
    if (type != kTypeSlide && type != kTypeMainMaster && type != kTypeNotes && type != kTypeHandout)
      continue;
    std::vector<std::span<const uint8_t>> shapes;
    CollectShapes(record, 0, shapes);
    for (std::span<const uint8_t> shape : shapes) {
      const uint32_t blip = ShapeBlip(shape);
      const std::optional<uint32_t> object = ShapeObject(shape);
      if (blip == 0 || !object) continue;
      const auto [at, added] = shown_for.emplace(blip, *object);
      if (!added && at->second != *object) shared.insert(blip);
    }
  }

  for (const auto& [blip, object] : shown_for) {
    if (shared.count(blip) != 0) continue;
    const auto stored = stored_as.find(object);
    if (stored == stored_as.end()) continue;
    const auto offset = offsets.find(stored->second);
    if (offset == offsets.end()) continue;
    const std::optional<std::vector<uint8_t>> storage =
        StoredObject(records::WholeRecordAt(document_stream, offset->second));
    if (!storage) continue;
    if (std::optional<ObjectPreview> preview = CachedObjectPreview(*storage))
      previews.emplace(blip, std::move(*preview));
  }
  return previews;
}

std::optional<std::vector<uint8_t>> PreviewPictureRecord(const ObjectPreview& preview,
                                                         std::span<const uint8_t> uid,
                                                         size_t room) {
  if (uid.size() != kUid || room < kHeader + kUid + kMetafileHeader) return std::nullopt;
  uLongf packed_size = compressBound(static_cast<uLong>(preview.wmf.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, preview.wmf.data(),
                static_cast<uLong>(preview.wmf.size()), Z_BEST_COMPRESSION) != Z_OK)
    return std::nullopt;
  packed.resize(packed_size);
  if (packed.size() > room - kHeader - kUid - kMetafileHeader) return std::nullopt;
  std::vector<uint8_t> record;
  record.reserve(room);
  AppendU16(record, kWmfBlipInstance << 4);
  AppendU16(record, kTypeWmfBlip);
  AppendU32(record, static_cast<uint32_t>(room - kHeader));
  record.insert(record.end(), uid.begin(), uid.end());
  AppendU32(record, static_cast<uint32_t>(preview.wmf.size()));
  for (int16_t bound : {preview.left, preview.top, preview.right, preview.bottom})
    AppendU32(record, static_cast<uint32_t>(int32_t{bound}));
  AppendU32(record, preview.width_emu);
  AppendU32(record, preview.height_emu);
  AppendU32(record, static_cast<uint32_t>(packed.size()));
  record.push_back(0x00);  // deflated
  record.push_back(0xFE);  // no filter
  record.insert(record.end(), packed.begin(), packed.end());
  record.resize(room, 0);
  return record;
}

}  // namespace vlx
