#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/scan/pictures/picture_format.h"

namespace vlx {

// One picture found in a byte source, ready to be written as a file of its own: the
// file header it lacks (a DIB's), then its bytes.
struct FoundPicture {
  uint64_t offset = 0;         // the picture record's first header byte in the source
  std::string_view name;       // "JPEG", "DIB", "WMF"
  std::string_view extension;  // "jpg", "bmp", "wmf"
  bool metafile = false;
  std::vector<uint8_t> file_header;
  ByteSpan in_source;  // the bytes, where the source holds them as they are
  std::optional<std::vector<uint8_t>> unpacked;  // or a metafile's inflated bytes

  ByteSpan body() const { return unpacked ? ByteSpan(*unpacked) : in_source; }
  uint64_t size() const { return file_header.size() + body().size(); }
};

}  // namespace vlx
