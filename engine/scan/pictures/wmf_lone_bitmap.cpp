#include <cstddef>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/lone_bitmap.h"
#include "engine/scan/pictures/lone_bitmap_fit.h"

namespace vlx {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kHeaderSize = 18;
constexpr size_t kRecordHeader = 6;
constexpr uint32_t kCopy = 0x00CC0020;  // the raster operation that copies the source
constexpr uint16_t kRgbColours = 0;     // colours are the bitmap's own, not palette indices

// Record functions.
enum : uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kRealizePalette = 0x0035,
  kSetPaletteEntries = 0x0037,
  kCreatePalette = 0x00F7,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetRop2 = 0x0104,
  kSetRelAbs = 0x0105,
  kSetPolyFillMode = 0x0106,
  kSetStretchBltMode = 0x0107,
  kSetTextCharExtra = 0x0108,
  kRestoreDc = 0x0127,
  kResizePalette = 0x0139,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kDibCreatePatternBrush = 0x0142,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetTextJustification = 0x020A,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kMoveTo = 0x0214,
  kSetMapperFlags = 0x0231,
  kSelectPalette = 0x0234,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kEscape = 0x0626,
  kCreateRegion = 0x06FF,
  kDibBitBlt = 0x0940,
  kDibStretchBlt = 0x0B41,
  kSetDibToDev = 0x0D33,
  kStretchDib = 0x0F43,
};

// Mapping modes in which the window sets the frame.
constexpr uint16_t kMapText = 1;
constexpr uint16_t kMapIsotropic = 7;
constexpr uint16_t kMapAnisotropic = 8;

// Records that set state or make, choose and drop objects: nothing is drawn by them.
bool DrawsNothing(uint16_t function) {
  switch (function) {
    case kSaveDc:
    case kRealizePalette:
    case kSetPaletteEntries:
    case kCreatePalette:
    case kSetBkMode:
    case kSetRop2:
    case kSetRelAbs:
    case kSetPolyFillMode:
    case kSetStretchBltMode:
    case kSetTextCharExtra:
    case kResizePalette:
    case kSelectObject:
    case kSetTextAlign:
    case kDibCreatePatternBrush:
    case kDeleteObject:
    case kCreatePatternBrush:
    case kSetBkColor:
    case kSetTextColor:
    case kSetTextJustification:
    case kMoveTo:
    case kSetMapperFlags:
    case kSelectPalette:
    case kCreatePenIndirect:
    case kCreateFontIndirect:
    case kCreateBrushIndirect:
    case kCreateRegion:
      return true;
    default:
      return false;
  }
}

int16_t Word(ByteSpan record, size_t at) {
  return static_cast<int16_t>(LoadU16(record.data() + at));
}

// The enhanced metafile a metafile carries in its comments, gathered piece by piece.
// Each piece names the whole's size and how many pieces there are.
class EmbeddedEmf {
 public:
  // Takes one escape record; false when it is a piece that does not fit the others.
  bool Take(ByteSpan record) {
    constexpr uint16_t kComment = 0x000F;
    constexpr uint32_t kIdentifier = 0x43464D57;  // "WMFC"
    constexpr uint32_t kEmfPiece = 1;
    constexpr size_t kDataAt = 44;
    if (record.size() < kRecordHeader + 4 || LoadU16(record.data() + 6) != kComment) return true;
    if (record.size() < kDataAt || LoadU32(record.data() + 10) != kIdentifier ||
        LoadU32(record.data() + 14) != kEmfPiece)
      return true;
    const uint32_t pieces = LoadU32(record.data() + 28);
    const uint32_t piece_size = LoadU32(record.data() + 32);
    const uint32_t whole_size = LoadU32(record.data() + 40);
    if (piece_size > record.size() - kDataAt) return false;
    if (taken_ == 0) {
      pieces_ = pieces;
      whole_size_ = whole_size;
    } else if (pieces != pieces_ || whole_size != whole_size_) {
      return false;
    }
    if (++taken_ > pieces_ || bytes_.size() + piece_size > whole_size_) return false;
    bytes_.insert(bytes_.end(), record.begin() + kDataAt, record.begin() + kDataAt + piece_size);
    return true;
  }
  bool Present() const { return taken_ > 0; }
  bool Complete() const { return taken_ == pieces_ && bytes_.size() == whole_size_; }
  ByteSpan Bytes() const { return bytes_; }

 private:
  uint32_t taken_ = 0;
  uint32_t pieces_ = 0;
  uint32_t whole_size_ = 0;
  std::vector<uint8_t> bytes_;
};

// The bitmap of a bitmap record, with where the record puts it; nullopt when the record
// is not one that only copies a bitmap in its own colours.
struct DrawnBitmap {
  BitmapPlacement placement;
  ByteSpan dib;
};

std::optional<DrawnBitmap> BitmapOf(uint16_t function, ByteSpan r) {
  DrawnBitmap drawn;
  BitmapPlacement& p = drawn.placement;
  size_t dib_at = 0;
  switch (function) {
    case kDibStretchBlt:
    case kStretchDib: {
      const bool usage = function == kStretchDib;
      dib_at = usage ? 28 : 26;
      if (r.size() < dib_at || LoadU32(r.data() + 6) != kCopy) return std::nullopt;
      if (usage && LoadU16(r.data() + 10) != kRgbColours) return std::nullopt;
      const size_t at = usage ? 12 : 10;
      p.source_height = Word(r, at);
      p.source_width = Word(r, at + 2);
      p.source_y = Word(r, at + 4);
      p.source_x = Word(r, at + 6);
      p.dest_height = Word(r, at + 8);
      p.dest_width = Word(r, at + 10);
      p.dest_y = Word(r, at + 12);
      p.dest_x = Word(r, at + 14);
      break;
    }
    case kDibBitBlt:
      dib_at = 22;
      if (r.size() < dib_at || LoadU32(r.data() + 6) != kCopy) return std::nullopt;
      p.source_y = Word(r, 10);
      p.source_x = Word(r, 12);
      p.source_height = p.dest_height = Word(r, 14);
      p.source_width = p.dest_width = Word(r, 16);
      p.dest_y = Word(r, 18);
      p.dest_x = Word(r, 20);
      break;
    case kSetDibToDev: {
      dib_at = 24;
      if (r.size() < dib_at || LoadU16(r.data() + 6) != kRgbColours) return std::nullopt;
      const int64_t scans = LoadU16(r.data() + 8);
      if (LoadU16(r.data() + 10) != 0) return std::nullopt;  // starts past the first scan line
      p.source_y = Word(r, 12);
      p.source_x = Word(r, 14);
      p.source_height = p.dest_height = Word(r, 16);
      p.source_width = p.dest_width = Word(r, 18);
      p.dest_y = Word(r, 20);
      p.dest_x = Word(r, 22);
      if (scans < p.source_height) return std::nullopt;  // leaves scan lines out
      break;
    }
    default:
      return std::nullopt;
  }
  drawn.dib = r.subspan(dib_at);
  return drawn;
}

}  // namespace

std::optional<std::vector<uint8_t>> LoneBitmapOfWmf(ByteSpan wmf) {
  size_t at = 0;
  std::optional<FrameBox> placeable;
  if (wmf.size() >= kPlaceableSize && LoadU32(wmf.data()) == kPlaceableKey) {
    const double left = Word(wmf, 6), top = Word(wmf, 8);
    placeable = FrameBox{left, top, Word(wmf, 10) - left, Word(wmf, 12) - top};
    at = kPlaceableSize;
  }
  if (wmf.size() - at < kHeaderSize) return std::nullopt;
  const uint16_t type = LoadU16(wmf.data() + at);
  const uint16_t version = LoadU16(wmf.data() + at + 4);
  if ((type != 1 && type != 2) || LoadU16(wmf.data() + at + 2) != kHeaderSize / 2 ||
      (version != 0x0100 && version != 0x0300))
    return std::nullopt;
  at += kHeaderSize;

  FrameBox window;
  bool window_set = false;
  std::optional<DrawnBitmap> bitmap;
  EmbeddedEmf embedded;
  bool ended = false;
  while (!ended) {
    if (wmf.size() - at < kRecordHeader) return std::nullopt;
    const uint64_t size = uint64_t{LoadU32(wmf.data() + at)} * 2;
    if (size < kRecordHeader || size > wmf.size() - at) return std::nullopt;
    const ByteSpan record = wmf.subspan(at, static_cast<size_t>(size));
    const uint16_t function = LoadU16(record.data() + 4);
    at += static_cast<size_t>(size);
    if (function == kEof) {
      ended = true;
    } else if (function == kEscape) {
      if (!embedded.Take(record)) return std::nullopt;
    } else if (function == kSetMapMode) {
      if (record.size() < 8) return std::nullopt;
      const uint16_t mode = LoadU16(record.data() + 6);
      if (mode != kMapText && mode != kMapIsotropic && mode != kMapAnisotropic) return std::nullopt;
    } else if (function == kSetWindowOrg || function == kSetWindowExt) {
      // The frame is set before the bitmap is drawn into it, not moved after.
      if (bitmap || record.size() < 10) return std::nullopt;
      if (function == kSetWindowOrg) {
        window.y = Word(record, 6);
        window.x = Word(record, 8);
      } else {
        window.height = Word(record, 6);
        window.width = Word(record, 8);
        window_set = true;
      }
    } else if (function == kRestoreDc) {
      // Going back to an earlier state could undo the frame the bitmap is measured by.
      if (!bitmap) return std::nullopt;
    } else if (DrawsNothing(function)) {
    } else {
      if (bitmap) return std::nullopt;  // a second bitmap
      bitmap = BitmapOf(function, record);
      if (!bitmap) return std::nullopt;  // anything else drawn
    }
  }
  if (embedded.Present()) {
    if (!embedded.Complete()) return std::nullopt;
    return LoneBitmapOfEmf(embedded.Bytes());
  }
  if (!bitmap || (!placeable && !window_set)) return std::nullopt;
  const std::optional<DibSize> dib_size = UncompressedDibSize(bitmap->dib);
  if (!dib_size || !FillsFrame(bitmap->placement, *dib_size, placeable ? *placeable : window))
    return std::nullopt;
  return BmpFileOf(bitmap->dib, {});
}

std::optional<std::vector<uint8_t>> LoneBitmapOfMetafile(ByteSpan metafile) {
  constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
  if (metafile.size() >= 44 && LoadU32(metafile.data()) == 1 &&
      LoadU32(metafile.data() + 40) == kEmfSignature)
    return LoneBitmapOfEmf(metafile);
  return LoneBitmapOfWmf(metafile);
}

}  // namespace vlx
