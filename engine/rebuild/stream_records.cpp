#include "engine/rebuild/stream_records.h"

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"

namespace vlx::records {

std::optional<RecordHeader> HeaderAt(std::span<const uint8_t> bytes, size_t at) {
  if (at > bytes.size() || bytes.size() - at < kHeader) return std::nullopt;
  return RecordHeader::Decode(bytes.data() + at);
}

std::span<const uint8_t> WholeRecordAt(std::span<const uint8_t> bytes, size_t at) {
  const std::optional<RecordHeader> h = HeaderAt(bytes, at);
  if (!h || bytes.size() - at - kHeader < h->length) return {};
  const std::span<const uint8_t> record = bytes.subspan(at, kHeader + size_t{h->length});
  return IsWellFormedRecordRun(record) ? record : std::span<const uint8_t>{};
}

std::span<const uint8_t> ContainerAt(std::span<const uint8_t> bytes, size_t at,
                                     std::initializer_list<uint16_t> types) {
  const std::optional<RecordHeader> h = HeaderAt(bytes, at);
  if (!h || (h->version_instance & 0xF) != 0xF || bytes.size() - at - kHeader < h->length)
    return {};
  if (std::find(types.begin(), types.end(), h->type) == types.end()) return {};
  return bytes.subspan(at, kHeader + size_t{h->length});
}

std::optional<uint32_t> NotesSlideId(std::span<const uint8_t> bytes, size_t at) {
  const std::optional<RecordHeader> atom = HeaderAt(bytes, at + kHeader);
  if (!atom || atom->type != kTypeNotesAtom || atom->length < 4) return std::nullopt;
  if (bytes.size() - at - 2 * kHeader < 4) return std::nullopt;  // the atom is cut short
  return LoadU32(bytes.data() + at + 2 * kHeader);
}

std::optional<uint16_t> DrawingIdOf(std::span<const uint8_t> slide) {
  const std::span<const uint8_t> atom = FirstChild(
      FirstChild(FirstChild(slide, kTypePPDrawing), kTypeDrawingContainer), kTypeDrawingAtom);
  if (atom.empty()) return std::nullopt;
  return static_cast<uint16_t>(GetU16(atom, 0) >> 4);
}

bool IsTopLevelKind(uint16_t type) {
  return type == kTypeSlide || type == kTypeMainMaster || type == kTypeNotes ||
         type == kTypeHandout || type == kTypeDocument || type == kTypePersistDirectoryAtom ||
         type == kTypeUserEditAtom || type == kTypeExternalObjectStorage;
}

size_t NextTopLevelRecord(std::span<const uint8_t> stream, size_t from) {
  for (size_t at = from; stream.size() - at >= kHeader && at < stream.size(); ++at)
    if (IsTopLevelKind(GetU16(stream, at + 2)) && !WholeRecordAt(stream, at).empty()) return at;
  return stream.size();
}

}  // namespace vlx::records
