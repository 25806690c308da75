#include "engine/salvage/small_stream_kinds.h"

#include <algorithm>
#include <array>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx::salvage {
namespace {

constexpr size_t kFirstFormatAt = 28;  // after the byte order, versions, class id, count
constexpr uint32_t kMaxPropertySections = 2;
// A CurrentUserAtom's fields other than the user's names: size, token, edit offset,
// name length, versions, the unused word and the release version.
constexpr uint32_t kCurrentUserFixedLength = 24;

// The format identifiers of the two property sets, as stored.
constexpr std::array<uint8_t, 16> kSummaryFormat = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                    0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr std::array<uint8_t, 16> kDocumentSummaryFormat = {
    0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

}  // namespace

bool BeginsCurrentUser(const uint8_t* bytes) {
  const RecordHeader header = RecordHeader::Decode(bytes);
  const uint32_t token = LoadU32(bytes + kRecordHeaderSize + 4);
  return header.type == kTypeCurrentUserAtom && (header.version_instance & 0xF) == 0 &&
         (token == kCurrentUserTokenPlain || token == kCurrentUserTokenEncrypted);
}

std::u16string PropertySetName(const uint8_t* bytes) {
  if (bytes[0] != 0xFE || bytes[1] != 0xFF || bytes[2] != 0 || bytes[3] != 0) return {};
  const uint8_t* format = bytes + kFirstFormatAt;
  if (std::equal(kSummaryFormat.begin(), kSummaryFormat.end(), format))
    return u"\x05SummaryInformation";
  if (std::equal(kDocumentSummaryFormat.begin(), kDocumentSummaryFormat.end(), format))
    return u"\x05"
           u"DocumentSummaryInformation";
  return {};
}

uint64_t PropertySetLength(const StreamReader& read, uint64_t limit, std::u16string* name) {
  uint8_t b[kFirstFormatAt + 20 * kMaxPropertySections] = {};
  if (read(0, b, sizeof b) < kFirstFormatAt + 20) return 0;
  const uint32_t sections = LoadU32(b + 24);
  if (sections == 0 || sections > kMaxPropertySections) return 0;
  *name = PropertySetName(b);
  if (name->empty()) return 0;
  uint64_t end = 0;
  for (uint32_t k = 0; k < sections; ++k) {
    const uint32_t offset = LoadU32(b + kFirstFormatAt + 20 * k + 16);
    uint8_t size_bytes[4] = {};
    if (offset >= limit || read(offset, size_bytes, 4) != 4) return 0;
    end = std::max<uint64_t>(end, uint64_t{offset} + LoadU32(size_bytes));
  }
  return end <= limit ? end : 0;
}

uint64_t CurrentUserLength(const uint8_t* bytes) {
  const RecordHeader header = RecordHeader::Decode(bytes);
  const uint32_t name_length = LoadU16(bytes + kRecordHeaderSize + 12);
  uint64_t length = kRecordHeaderSize + uint64_t{header.length};
  if (header.length == kCurrentUserFixedLength + name_length) length += 2 * uint64_t{name_length};
  return length;
}

std::optional<uint64_t> LengthFromBeginning(const std::u16string& name, const uint8_t* bytes) {
  if (name == u"Current User")
    return BeginsCurrentUser(bytes) ? std::optional(CurrentUserLength(bytes)) : std::nullopt;
  if (PropertySetName(bytes) != name || LoadU32(bytes + 24) != 1) return std::nullopt;
  const uint32_t offset = LoadU32(bytes + kFirstFormatAt + 16);
  if (offset + 4 > kSmallStreamProbe) return std::nullopt;
  return uint64_t{offset} + LoadU32(bytes + offset);
}

std::optional<bool> BeginsAs(const std::u16string& name, const uint8_t* bytes) {
  if (name == u"Current User") return BeginsCurrentUser(bytes);
  if (name == u"\x05SummaryInformation" || name ==
                                               u"\x05"
                                               u"DocumentSummaryInformation")
    return PropertySetName(bytes) == name;
  if (name == u"PowerPoint Document") {
    const RecordHeader header = RecordHeader::Decode(bytes);
    return header.type == kTypeDocument && (header.version_instance & 0xF) == 0xF;
  }
  return std::nullopt;
}

}  // namespace vlx::salvage
