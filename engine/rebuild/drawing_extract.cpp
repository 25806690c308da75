#include "engine/rebuild/drawing_extract.h"

#include <algorithm>

#include "engine/format/plausible_length.h"
#include "engine/format/record_header.h"

namespace vlx {
namespace {

// Appends the record at offset, as far as the file goes.
void AppendRecord(DamagedFile& file, uint64_t offset, uint64_t length, std::vector<uint8_t>& out) {
  const uint64_t file_length = file.GetLength();
  if (offset >= file_length) return;
  const auto available = static_cast<size_t>(std::min(length, file_length - offset));
  const size_t start = out.size();
  out.resize(start + available);
  out.resize(start + file.ReadAt(offset, out.data() + start, available));
}

}  // namespace

std::optional<uint64_t> FindProgTagsFor(const FoundRecordList& prog_tags, uint64_t drawing_end) {
  // The list is in ascending offset order: the last entry not above the end.
  auto beyond = std::upper_bound(
      prog_tags.begin(), prog_tags.end(), drawing_end,
      [](uint64_t end, const FoundRecord& r) { return static_cast<uint64_t>(r.offset) > end; });
  if (beyond == prog_tags.begin()) return std::nullopt;
  return static_cast<uint64_t>(std::prev(beyond)->offset);
}

std::vector<uint8_t> ReadDrawingWithTags(DamagedFile& file, const FoundRecordList& prog_tags,
                                         const FoundRecord& drawing) {
  std::vector<uint8_t> bytes;
  if (drawing.offset < 0 || drawing.length < 0) return bytes;
  const auto offset = static_cast<uint64_t>(drawing.offset);
  const auto total = static_cast<uint64_t>(drawing.total_length());
  AppendRecord(file, offset, total, bytes);

  const std::optional<uint64_t> tags = FindProgTagsFor(prog_tags, offset + total);
  if (!tags) return bytes;
  uint8_t header_bytes[kRecordHeaderSize];
  if (file.ReadAt(*tags, header_bytes, sizeof header_bytes) != sizeof header_bytes) return bytes;
  const RecordHeader header = RecordHeader::Decode(header_bytes);
  if (!IsPlausibleLength(header.length, file.GetLength())) return bytes;
  AppendRecord(file, *tags, uint64_t{header.length} + kRecordHeaderSize, bytes);
  return bytes;
}

}  // namespace vlx
