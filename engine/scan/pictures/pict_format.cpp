#include "engine/format/byte_order.h"
#include "engine/scan/pictures/metafile_format.h"

namespace vlx {
namespace {

constexpr size_t kVersionAt = 10;
constexpr size_t kPictFileHeader =
    512;  // zeros for all but the application that wrote it  // behind the picture's size and frame

// A PICT picture: its size, its frame, then the version 1 opcode or the version 2 one.
bool HasValidHeader(ByteSpan m) {
  if (m.size() < kVersionAt + 4) return false;
  const uint16_t first = LoadU16BigEndian(m.data() + kVersionAt);
  return first == 0x1101 ||
         (first == 0x0011 && LoadU16BigEndian(m.data() + kVersionAt + 2) == 0x02FF);
}

}  // namespace

const MetafileFormat kPictFormat = {"PICT", "pct", HasValidHeader, kPictFileHeader};

}  // namespace vlx
