// Mends arbitrary bytes as a damaged PNG picture (from the first PNG signature in the
// input, so the presentation seeds give their pictures). Crashes, sanitizer reports and a
// mended picture that is not whole or not of its room's size are findings.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/rebuild/png_mending.h"

namespace {

uint32_t Big(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Signature, then chunks whose checksums hold, ending with IEND at the very end.
bool IsWholePng(const std::vector<uint8_t>& png) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return false;
  for (size_t pos = 8; png.size() - pos >= 12;) {
    const uint32_t length = Big(png.data() + pos);
    if (length > png.size() - pos - 12) return false;
    if (crc32(0, png.data() + pos + 4, length + 4) != Big(png.data() + pos + 8 + length))
      return false;
    pos += 12 + length;
    if (std::memcmp(png.data() + pos - 8 - length, "IEND", 4) == 0) return pos == png.size();
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t phase = data[0] * 2;
  const uint8_t* begin = data + 1;
  const uint8_t* end = data + size;
  static const uint8_t kMark[4] = {0x89, 'P', 'N', 'G'};
  for (const uint8_t* p = begin; end - p >= 4; ++p)
    if (std::memcmp(p, kMark, 4) == 0) {
      begin = p;
      break;
    }
  // A copy of exactly the picture's size, so any read past it is reported.
  const std::vector<uint8_t> png(begin, end);
  const std::optional<vlx::MendedPng> mended = vlx::MendDamagedPng(png, phase, png.size());
  if (mended && (mended->bytes.size() != png.size() || mended->rows_kept > mended->height ||
                 !IsWholePng(mended->bytes)))
    __builtin_trap();
  return 0;
}
