#include "engine/scan/pictures/bmp_format.h"

#include "engine/format/byte_order.h"
#include "engine/scan/pictures/dib_format.h"

namespace vlx {
namespace {

bool Begins(ByteSpan b) {
  return b.size() >= kBmpFileHeaderSize + 4 && b[0] == 'B' && b[1] == 'M' &&
         kDibFormat.begins(b.subspan(kBmpFileHeaderSize));
}

std::optional<size_t> Measure(ByteSpan b) {
  if (!Begins(b)) return std::nullopt;
  const uint32_t size = LoadU32(b.data() + 2);
  if (size <= kBmpFileHeaderSize || size > b.size()) return std::nullopt;
  return size;
}

}  // namespace

const PictureFormat kBmpFormat = {"BMP", "bmp", Begins, Measure, false};

}  // namespace vlx
