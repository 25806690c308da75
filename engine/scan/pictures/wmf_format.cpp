#include "engine/format/byte_order.h"
#include "engine/scan/pictures/metafile_format.h"

namespace vlx {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kHeaderWords = 9;

// A Windows metafile opens with the placeable header's key, or with the plain header:
// memory or disk type, a header of nine words, version 1 or 3.
bool HasValidHeader(ByteSpan m) {
  if (m.size() >= 4 && LoadU32(m.data()) == kPlaceableKey) return true;
  if (m.size() < 18) return false;
  const uint16_t type = LoadU16(m.data());
  const uint16_t version = LoadU16(m.data() + 4);
  return (type == 1 || type == 2) && LoadU16(m.data() + 2) == kHeaderWords &&
         (version == 0x0100 || version == 0x0300);
}

}  // namespace

const MetafileFormat kWmfFormat = {"WMF", "wmf", HasValidHeader, 0};

}  // namespace vlx
