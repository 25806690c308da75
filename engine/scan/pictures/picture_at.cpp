#include "engine/scan/pictures/picture_at.h"

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
ByteSpan PictureBytes(ByteSpan rest, uint64_t record_data, const PictureFormat& format) {
  const bool record_fits = record_data <= rest.size();
  const ByteSpan in_record =
      rest.first(record_fits ? static_cast<size_t>(record_data) : rest.size());
  if (record_fits) {
    if (const std::optional<size_t> own = format.measure(in_record))
      return format.ends_with_mark ? in_record.first(*own) : in_record;
  }
  if (const std::optional<size_t> own = format.measure(rest)) return rest.first(*own);
  return in_record;
}

std::optional<FoundPicture> RasterAt(ByteSpan rest, uint64_t record_data, bool dib_instance) {
  const PictureFormat* format = MatchRasterFormat(rest);
  if (format == nullptr && dib_instance && kDibFormat.begins(rest)) format = &kDibFormat;
  if (format == nullptr) return std::nullopt;
  FoundPicture picture;
  picture.name = format->name;
  picture.extension = format->extension;
  picture.in_source = PictureBytes(rest, record_data, *format);
  if (format == &kDibFormat) {
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
  picture.in_source = rest.first(unpacked->stored_size);
  picture.unpacked = std::move(unpacked->bytes);
  return picture;
}

}  // namespace

std::optional<FoundPicture> PictureAt(ByteSpan source, size_t at) {
  if (at > source.size() || source.size() - at < kRecordHeaderSize) return std::nullopt;
  const RecordHeader header = RecordHeader::Decode(source.data() + at);
  const std::optional<BlipLayout> layout = BlipLayoutOf(header.version_instance);
  if (!layout || source.size() - at <= layout->data_offset) return std::nullopt;
  const ByteSpan rest = source.subspan(at + layout->data_offset);
  const uint64_t before_data = layout->data_offset - kRecordHeaderSize;
  const uint64_t record_data = header.length > before_data ? header.length - before_data : 0;

  std::optional<FoundPicture> picture =
      layout->kind == BlipLayout::Kind::kMetafile
          ? MetafileAt(rest, *layout->metafile)
          : RasterAt(rest, record_data, layout->kind == BlipLayout::Kind::kDib);
  if (picture) picture->offset = at;
  return picture;
}

}  // namespace vlx
