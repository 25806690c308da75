#include <cstddef>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/lone_bitmap.h"
#include "engine/scan/pictures/lone_bitmap_fit.h"

namespace vlx {
namespace {

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr size_t kHeaderSize = 88;           // up to the device's size in millimetres
constexpr size_t kStretchDibitsSize = 80;
constexpr uint32_t kCopy = 0x00CC0020;
constexpr uint32_t kRgbColours = 0;
constexpr uint32_t kMapText = 1;
constexpr uint32_t kEmfPlusMark = 0x2B464D45;  // "EMF+": comments the office draws instead

// Record types.
enum : uint32_t {
  kHeader = 1,
  kSetBrushOrg = 13,
  kEof = 14,
  kSetMapperFlags = 16,
  kSetMapMode = 17,
  kSetBkMode = 18,
  kSetPolyFillMode = 19,
  kSetRop2 = 20,
  kSetStretchBltMode = 21,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSetBkColor = 25,
  kMoveTo = 27,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrushIndirect = 39,
  kDeleteObject = 40,
  kSelectPalette = 48,
  kCreatePalette = 49,
  kRealizePalette = 52,
  kSetMiterLimit = 58,
  kComment = 70,
  kStretchDibits = 81,
  kCreateFont = 82,
  kSetIcmMode = 98,
};

bool DrawsNothing(uint32_t type) {
  switch (type) {
    case kSetBrushOrg:
    case kSetMapperFlags:
    case kSetBkMode:
    case kSetPolyFillMode:
    case kSetRop2:
    case kSetStretchBltMode:
    case kSetTextAlign:
    case kSetTextColor:
    case kSetBkColor:
    case kMoveTo:
    case kSaveDc:
    case kSelectObject:
    case kCreatePen:
    case kCreateBrushIndirect:
    case kDeleteObject:
    case kSelectPalette:
    case kCreatePalette:
    case kRealizePalette:
    case kSetMiterLimit:
    case kCreateFont:
    case kSetIcmMode:
      return true;
    default:
      return false;
  }
}

int64_t Long(ByteSpan bytes, size_t at) {
  return static_cast<int32_t>(LoadU32(bytes.data() + at));
}

// The picture's frame in device units: the header keeps it in hundredths of a
// millimetre, with the device's size in both units to convert by.
std::optional<FrameBox> FrameOf(ByteSpan header) {
  const double pixels_x = static_cast<double>(Long(header, 72));
  const double pixels_y = static_cast<double>(Long(header, 76));
  const double mm_x = static_cast<double>(Long(header, 80));
  const double mm_y = static_cast<double>(Long(header, 84));
  if (pixels_x <= 0 || pixels_y <= 0 || mm_x <= 0 || mm_y <= 0) return std::nullopt;
  const double scale_x = pixels_x / (mm_x * 100);
  const double scale_y = pixels_y / (mm_y * 100);
  const double left = static_cast<double>(Long(header, 24)) * scale_x;
  const double top = static_cast<double>(Long(header, 28)) * scale_y;
  const double right = static_cast<double>(Long(header, 32)) * scale_x;
  const double bottom = static_cast<double>(Long(header, 36)) * scale_y;
  return FrameBox{left, top, right - left, bottom - top};
}

// The bitmap of one stretch record as a .bmp file, with where it is put.
struct DrawnBitmap {
  BitmapPlacement placement;
  ByteSpan info;
  ByteSpan bits;
};

std::optional<DrawnBitmap> BitmapOf(ByteSpan r) {
  if (r.size() < kStretchDibitsSize || LoadU32(r.data() + 64) != kRgbColours ||
      LoadU32(r.data() + 68) != kCopy)
    return std::nullopt;
  const uint64_t info_at = LoadU32(r.data() + 48), info_size = LoadU32(r.data() + 52);
  const uint64_t bits_at = LoadU32(r.data() + 56), bits_size = LoadU32(r.data() + 60);
  if (info_at < kStretchDibitsSize || info_at + info_size > r.size() ||
      bits_at < kStretchDibitsSize || bits_at + bits_size > r.size() || info_size == 0 ||
      bits_size == 0)
    return std::nullopt;
  DrawnBitmap drawn;
  BitmapPlacement& p = drawn.placement;
  p.dest_x = Long(r, 24);
  p.dest_y = Long(r, 28);
  p.source_x = Long(r, 32);
  p.source_y = Long(r, 36);
  p.source_width = Long(r, 40);
  p.source_height = Long(r, 44);
  p.dest_width = Long(r, 72);
  p.dest_height = Long(r, 76);
  drawn.info = r.subspan(static_cast<size_t>(info_at), static_cast<size_t>(info_size));
  drawn.bits = r.subspan(static_cast<size_t>(bits_at), static_cast<size_t>(bits_size));
  return drawn;
}

}  // namespace

std::optional<std::vector<uint8_t>> LoneBitmapOfEmf(ByteSpan emf) {
  if (emf.size() < kHeaderSize || LoadU32(emf.data()) != kHeader ||
      LoadU32(emf.data() + 40) != kSignature)
    return std::nullopt;
  const uint32_t header_size = LoadU32(emf.data() + 4);
  if (header_size < kHeaderSize || header_size % 4 != 0 || header_size > emf.size())
    return std::nullopt;
  const std::optional<FrameBox> frame = FrameOf(emf);
  if (!frame) return std::nullopt;

  std::optional<DrawnBitmap> bitmap;
  size_t at = header_size;
  for (bool ended = false; !ended;) {
    if (emf.size() - at < 8) return std::nullopt;
    const uint32_t type = LoadU32(emf.data() + at);
    const uint32_t size = LoadU32(emf.data() + at + 4);
    if (size < 8 || size % 4 != 0 || size > emf.size() - at) return std::nullopt;
    const ByteSpan record = emf.subspan(at, size);
    at += size;
    if (type == kEof) {
      ended = true;
    } else if (type == kComment) {
      if (record.size() >= 16 && LoadU32(record.data() + 12) == kEmfPlusMark) return std::nullopt;
    } else if (type == kSetMapMode) {
      if (record.size() < 12 || LoadU32(record.data() + 8) != kMapText) return std::nullopt;
    } else if (type == kRestoreDc) {
      if (!bitmap) return std::nullopt;
    } else if (type == kStretchDibits) {
      if (bitmap) return std::nullopt;
      bitmap = BitmapOf(record);
      if (!bitmap) return std::nullopt;
    } else if (!DrawsNothing(type)) {
      return std::nullopt;  // drawing, clipping, a transform, a second header
    }
  }
  if (!bitmap) return std::nullopt;
  const std::optional<DibSize> dib_size = UncompressedDibSize(bitmap->info);
  if (!dib_size || !FillsFrame(bitmap->placement, *dib_size, *frame)) return std::nullopt;
  return BmpFileOf(bitmap->info, bitmap->bits);
}

}  // namespace vlx
