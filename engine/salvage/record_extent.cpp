#include "engine/salvage/record_extent.h"

#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx::salvage {
namespace {

// Record types of the top level of a document stream lie in the presentation range
// (the Document container 0x03E8 up to the persist directory 0x1772 and its kin).
bool IsTopLevelDocumentRecord(const RecordHeader& header) {
  return header.type >= kTypeDocument && header.type < 0x2000;
}

// OfficeArt picture records: the types of the blip kinds ([MS-ODRAW] 0xF018-0xF117).
// The stream may also hold blip-store entries (0xF007) that carry their picture.
bool IsPictureRecord(const RecordHeader& header) {
  if (header.type == 0xF007) return (header.version_instance & 0xF) == 2;
  return header.type >= 0xF018 && header.type <= 0xF117 && (header.version_instance & 0xF) == 0;
}

template <typename Test>
uint64_t WalkRecords(const StreamReader& reader, uint64_t available, Test is_member,
                     bool keep_cut = false) {
  uint64_t at = 0;
  while (at + kRecordHeaderSize <= available) {
    uint8_t bytes[kRecordHeaderSize];
    if (reader(at, bytes, sizeof bytes) != sizeof bytes) break;
    const RecordHeader header = RecordHeader::Decode(bytes);
    if (!is_member(header, at)) break;
    const uint64_t end = at + kRecordHeaderSize + header.length;
    if (end > available) return keep_cut && at > 0 ? available : at;
    at = end;
  }
  return at;
}

bool IsDocumentMember(const RecordHeader& header, uint64_t) {
  return IsTopLevelDocumentRecord(header);
}

bool IsPicturesMember(const RecordHeader& header, uint64_t) {
  return IsPictureRecord(header);
}

}  // namespace

uint64_t DocumentStreamLength(const StreamReader& reader, uint64_t available) {
  return WalkRecords(reader, available, IsDocumentMember);
}

uint64_t PicturesStreamLength(const StreamReader& reader, uint64_t available) {
  return WalkRecords(reader, available, IsPicturesMember);
}

uint64_t CutDocumentStreamLength(const StreamReader& reader, uint64_t available) {
  return WalkRecords(reader, available, IsDocumentMember, true);
}

uint64_t CutPicturesStreamLength(const StreamReader& reader, uint64_t available) {
  return WalkRecords(reader, available, IsPicturesMember, true);
}

}  // namespace vlx::salvage
