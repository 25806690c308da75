// Reads arbitrary bytes as a metafile that may be one bitmap. Crashes, sanitizer reports
// and a .bmp file that is not whole are findings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/scan/pictures/lone_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so any read past it is reported.
  const std::vector<uint8_t> bytes(data, data + size);
  const std::optional<std::vector<uint8_t>> bmp = vlx::LoneBitmapOfMetafile(bytes);
  if (bmp) {
    if (bmp->size() < 14 + 12 || (*bmp)[0] != 'B' || (*bmp)[1] != 'M') __builtin_trap();
    const uint32_t stated =
        (*bmp)[2] | (*bmp)[3] << 8 | (*bmp)[4] << 16 | static_cast<uint32_t>((*bmp)[5]) << 24;
    if (stated != bmp->size()) __builtin_trap();
  }
  return 0;
}
