#include "engine/scan/pictures/picture_at.h"

#include <algorithm>

#include "engine/format/record_header.h"
#include "engine/scan/pictures/blip_layout.h"
#include "engine/scan/pictures/dib_format.h"
#include "engine/scan/pictures/metafile_blip.h"
#include "engine/scan/pictures/raster_formats.h"

namespace vlx {
namespace {

// The picture's bytes. A picture that closes with a mark ends there, also where the
// record's length runs on into other bytes; one whose size is a field keeps the whole
// record. Where the record does not hold the picture's end (a length that is short or
// runs past the source) the picture's own end decides; without one, as much of the
// record as the source holds is taken and the decoding check decides.
// Only the record's bytes are read first; more only when its end must be looked for.
ByteSpan PictureBytes(ByteSource& source, uint64_t data_start, uint64_t record_data,
                      const PictureFormat& format) {
  const uint64_t available = source.size() - data_start;
  if (record_data <= available) {
    const ByteSpan in_record = source.View(data_start, static_cast<size_t>(record_data));
    if (const std::optional<size_t> own = format.measure(in_record))
      return format.ends_with_mark ? in_record.first(*own) : in_record;
  }
  const ByteSpan rest =
      source.View(data_start, static_cast<size_t>(std::min<uint64_t>(available, kOwnEndReach)));
  if (const std::optional<size_t> own = format.measure(rest)) return rest.first(*own);
  return rest.first(static_cast<size_t>(std::min<uint64_t>(record_data, rest.size())));
}

// Enough bytes to tell every format by its beginning.
constexpr size_t kHeadSize = 256;

// The format the picture data's first bytes show; nullptr when none.
const PictureFormat* RasterFormatOf(ByteSpan head, bool dib_instance) {
  if (const PictureFormat* format = MatchRasterFormat(head)) return format;
  return dib_instance && kDibFormat.begins(head) ? &kDibFormat : nullptr;
}

std::optional<FoundPicture> RasterAt(ByteSource& source, uint64_t data_start, uint64_t record_data,
                                     const PictureFormat& format) {
  FoundPicture picture;
  picture.name = format.name;
  picture.extension = format.extension;
  picture.in_source = PictureBytes(source, data_start, record_data, format);
  if (&format == &kDibFormat) {
    const auto header = BmpFileHeaderFor(picture.in_source);
    picture.file_header.assign(header.begin(), header.end());
  }
  return picture;
}

std::optional<FoundPicture> MetafileAt(ByteSpan rest, const MetafileFormat& format) {
  std::optional<UnpackedMetafile> unpacked = UnpackMetafile(rest);
  if (!unpacked || !format.has_valid_header(unpacked->bytes)) return std::nullopt;
  FoundPicture picture;
  picture.name = format.name;
  picture.extension = format.extension;
  picture.metafile = true;
  picture.file_header.assign(format.zero_file_header, 0);
  picture.in_source = rest.first(unpacked->stored_size);
  picture.unpacked = std::move(unpacked->bytes);
  return picture;
}

}  // namespace

std::optional<FoundPicture> PictureAt(ByteSource& source, uint64_t at) {
  const uint64_t size = source.size();
  if (at > size || size - at < kRecordHeaderSize) return std::nullopt;
  const RecordHeader header = RecordHeader::Decode(source.View(at, kRecordHeaderSize).data());
  const std::optional<BlipLayout> layout = BlipLayoutOf(header.version_instance);
  if (!layout || size - at <= layout->data_offset) return std::nullopt;
  const uint64_t data_start = at + layout->data_offset;
  const uint64_t before_data = layout->data_offset - kRecordHeaderSize;
  const uint64_t record_data = header.length > before_data ? header.length - before_data : 0;

  std::optional<FoundPicture> picture;
  if (layout->kind == BlipLayout::Kind::kMetafile) {
    const ByteSpan head = source.View(data_start, kMetafileHeaderSize);
    if (!MetafileHeaderIsSound(head)) return std::nullopt;
    const uint64_t stored =
        kMetafileHeaderSize + uint64_t{LoadU32(head.data() + kMetafileStoredSizeAt)};
    if (stored > size - data_start) return std::nullopt;
    picture = MetafileAt(source.View(data_start, static_cast<size_t>(stored)), *layout->metafile);
  } else {
    const PictureFormat* format =
        RasterFormatOf(source.View(data_start, kHeadSize), layout->kind == BlipLayout::Kind::kDib);
    if (format == nullptr) return std::nullopt;
    picture = RasterAt(source, data_start, record_data, *format);
  }
  if (picture) picture->offset = at;
  return picture;
}

std::optional<FoundPicture> PictureAt(ByteSpan source, uint64_t at) {
  MemorySource memory(source);
  return PictureAt(memory, at);
}

}  // namespace vlx
