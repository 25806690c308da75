#include "engine/scan/pictures/tiff_format.h"

#include <cstring>

namespace vlx {
namespace {

bool Begins(ByteSpan b) {
  return b.size() >= 4 &&
         (std::memcmp(b.data(), "II*\0", 4) == 0 || std::memcmp(b.data(), "MM\0*", 4) == 0);
}

std::optional<size_t> Measure(ByteSpan) {
  return std::nullopt;
}

}  // namespace

const PictureFormat kTiffFormat = {"TIFF", "tif", Begins, Measure, false};

}  // namespace vlx
