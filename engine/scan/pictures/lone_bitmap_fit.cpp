#include "engine/scan/pictures/lone_bitmap_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/dib_format.h"

namespace vlx {
namespace {

constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kPlainPixels = 0;
constexpr uint32_t kBitFieldPixels = 3;

// How far the bitmap's edges may lie from the frame's, as a share of the frame, and
// plus one unit for rounding: at a 100-pixel thumbnail this is two pixels at most.
constexpr double kSlack = 0.02;

bool Near(double a, double b, double extent) {
  return std::abs(a - b) <= kSlack * extent + 1;
}

}  // namespace

std::optional<DibSize> UncompressedDibSize(ByteSpan dib) {
  if (!kDibFormat.begins(dib)) return std::nullopt;
  const uint32_t header = LoadU32(dib.data());
  if (header == kCoreHeader) return DibSize{LoadU16(dib.data() + 4), LoadU16(dib.data() + 6)};
  const uint32_t compression = LoadU32(dib.data() + 16);
  if (compression != kPlainPixels && compression != kBitFieldPixels) return std::nullopt;
  const int64_t height = static_cast<int32_t>(LoadU32(dib.data() + 8));
  return DibSize{static_cast<int32_t>(LoadU32(dib.data() + 4)), std::abs(height)};
}

bool FillsFrame(const BitmapPlacement& p, DibSize bitmap, const FrameBox& frame) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || frame.width <= 0 || frame.height <= 0)
    return false;
  // Upright: a negative extent mirrors the bitmap.
  if (p.source_width <= 0 || p.source_height <= 0 || p.dest_width <= 0 || p.dest_height <= 0)
    return false;
  // The source starts at the bitmap's corner and takes all of it (a source reaching past
  // the bitmap shows nothing there, so only the bitmap's part of it is drawn).
  if (p.source_x != 0 || p.source_y != 0) return false;
  const double shown_width = static_cast<double>(std::min(p.source_width, bitmap.width));
  const double shown_height = static_cast<double>(std::min(p.source_height, bitmap.height));
  if (!Near(shown_width, static_cast<double>(bitmap.width), static_cast<double>(bitmap.width)) ||
      !Near(shown_height, static_cast<double>(bitmap.height), static_cast<double>(bitmap.height)))
    return false;
  const double drawn_width =
      static_cast<double>(p.dest_width) * shown_width / static_cast<double>(p.source_width);
  const double drawn_height =
      static_cast<double>(p.dest_height) * shown_height / static_cast<double>(p.source_height);
  const double left = static_cast<double>(p.dest_x);
  const double top = static_cast<double>(p.dest_y);
  if (!Near(left, frame.x, frame.width) || !Near(top, frame.y, frame.height) ||
      !Near(left + drawn_width, frame.x + frame.width, frame.width) ||
      !Near(top + drawn_height, frame.y + frame.height, frame.height))
    return false;
  // The thumbnail keeps the bitmap's proportions; the drawn picture has the frame's.
  const double bitmap_ratio =
      static_cast<double>(bitmap.width) / static_cast<double>(bitmap.height);
  const double frame_ratio = frame.width / frame.height;
  return std::abs(bitmap_ratio - frame_ratio) <= kSlack * std::max(bitmap_ratio, frame_ratio);
}

std::optional<std::vector<uint8_t>> BmpFileOf(ByteSpan info, ByteSpan bits) {
  std::vector<uint8_t> dib;
  ByteSpan whole = info;
  if (!bits.empty()) {
    dib.reserve(info.size() + bits.size());
    dib.assign(info.begin(), info.end());
    dib.insert(dib.end(), bits.begin(), bits.end());
    whole = dib;
  }
  if (!UncompressedDibSize(whole)) return std::nullopt;
  const std::optional<size_t> size = kDibFormat.measure(whole);
  if (!size) return std::nullopt;
  const ByteSpan used = whole.first(*size);
  const std::array<uint8_t, kBmpFileHeaderSize> header = BmpFileHeaderFor(used);
  // Pixels kept apart must start where the header and colour table end.
  if (!bits.empty() && LoadU32(header.data() + 10) != kBmpFileHeaderSize + info.size())
    return std::nullopt;
  std::vector<uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), used.begin(), used.end());
  return file;
}

}  // namespace vlx
