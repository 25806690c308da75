#include "engine/scan/pictures/jpeg_format.h"

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/jpeg_markers.h"

namespace vlx {
namespace {

// Markers that carry no length field.
bool StandsAlone(uint8_t code) {
  return code == kJpegTemporary || IsJpegRestart(code);
}

bool Begins(ByteSpan b) {
  return b.size() >= 4 && b[0] == kJpegMarker && b[1] == kJpegStartOfImage && b[2] == kJpegMarker &&
         b[3] != kJpegMarker && b[3] != 0;
}

// Position of the marker that ends the entropy-coded data starting at pos, or size.
size_t SkipEntropyCodedData(ByteSpan b, size_t pos) {
  for (; pos + 1 < b.size(); ++pos) {
    if (b[pos] != kJpegMarker) continue;
    const uint8_t next = b[pos + 1];
    if (next != 0 && !IsJpegRestart(next)) return pos;  // stuffed zeros and restarts stay inside
  }
  return b.size();
}

std::optional<size_t> Measure(ByteSpan b) {
  if (!Begins(b)) return std::nullopt;
  size_t pos = 2;
  while (pos < b.size()) {
    if (b[pos] != kJpegMarker) return std::nullopt;         // not a marker where one must be
    while (pos < b.size() && b[pos] == kJpegMarker) ++pos;  // fill bytes
    if (pos >= b.size()) break;
    const uint8_t code = b[pos++];
    if (code == kJpegEndOfImage) return pos;
    if (StandsAlone(code)) continue;
    if (b.size() - pos < 2) break;
    const uint16_t length = LoadU16BigEndian(b.data() + pos);
    if (length < 2) return std::nullopt;
    pos += length;
    if (code == kJpegStartOfScan) pos = SkipEntropyCodedData(b, pos);
  }
  return std::nullopt;
}

}  // namespace

const PictureFormat kJpegFormat = {"JPEG", "jpg", Begins, Measure, true};

}  // namespace vlx
