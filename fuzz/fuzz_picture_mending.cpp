// Mends arbitrary bytes as a damaged PNG picture (from the first PNG signature in the
// input, so the presentation seeds give their pictures) and as a damaged JPEG picture (from
// the first start-of-image marker), and as a damaged deflated WMF or EMF. Crashes, sanitizer
// reports, a mended PNG that is not whole and a mended picture not of its room's size are findings.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/scan/pictures/jpeg_mending.h"
#include "engine/scan/pictures/metafile_mending.h"
#include "engine/scan/pictures/png_mending.h"

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

// A copy of the input from its first `mark`, exactly of its size, so any read past it is
// reported.
std::vector<uint8_t> From(const uint8_t* begin, const uint8_t* end, const uint8_t* mark,
                          size_t mark_size) {
  for (const uint8_t* p = begin; static_cast<size_t>(end - p) >= mark_size; ++p)
    if (std::memcmp(p, mark, mark_size) == 0) return std::vector<uint8_t>(p, end);
  return std::vector<uint8_t>(begin, end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t phase = data[0] * 2;
  static const uint8_t kPngMark[4] = {0x89, 'P', 'N', 'G'};
  const std::vector<uint8_t> png = From(data + 1, data + size, kPngMark, 4);
  const std::optional<vlx::MendedPng> mended = vlx::MendDamagedPng(png, phase, png.size());
  if (mended && (mended->bytes.size() != png.size() || mended->rows_kept > mended->height ||
                 !IsWholePng(mended->bytes)))
    __builtin_trap();
  static const uint8_t kJpegMark[3] = {0xFF, 0xD8, 0xFF};
  const std::vector<uint8_t> jpeg = From(data + 1, data + size, kJpegMark, 3);
  const std::optional<vlx::MendedJpeg> cut = vlx::MendDamagedJpeg(jpeg, phase, jpeg.size());
  if (cut && (cut->bytes.size() != jpeg.size() || cut->kept > jpeg.size() ||
              cut->bytes[0] != 0xFF || cut->bytes[1] != 0xD8))
    __builtin_trap();
  // Metafiles: the input after the phase byte as a picture record's metafile header and data.
  const std::vector<uint8_t> stored(data + 1, data + size);
  for (const vlx::MetafileKind kind : {vlx::MetafileKind::kWmf, vlx::MetafileKind::kEmf}) {
    const std::optional<vlx::MendedMetafile> ended =
        vlx::MendDamagedMetafile(stored, kind, phase, stored.size());
    if (ended && ended->bytes.size() != stored.size()) __builtin_trap();
  }
  return 0;
}
