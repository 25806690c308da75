#include "engine/scan/picture_signatures.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/format/record_types.h"

namespace vlx {
namespace {

// Bytes expected at an offset of the picture data; an empty pattern is no test.
struct BytePattern {
  size_t offset = 0;
  std::string_view bytes;
};

// One way a file kind can begin: every pattern of the row must match.
struct PictureFileSignature {
  std::string_view extension;
  std::array<BytePattern, 3> patterns;
};

using namespace std::string_view_literals;

// Tested in this order; the first matching row wins. Extensions are used as written.
constexpr std::array<PictureFileSignature, 6> kPictureFileSignatures = {{
    {"bmp", {{{0, "BM"sv}}}},
    {"Jpg", {{{0, "\xFF\xD8\xFF\xE0"sv}, {6, "JFIF"sv}, {10, "\0"sv}}}},
    {"Tif", {{{0, "II*"sv}}}},
    {"Tif", {{{0, "MM\0*"sv}}}},
    {"Png", {{{0, "\x89PNG\r\n\x1A\n"sv}}}},
    {"Gif", {{{0, "GIF"sv}}}},
}};

bool Matches(const uint8_t* data, size_t size, const BytePattern& pattern) {
  if (pattern.bytes.empty()) return true;
  return pattern.offset + pattern.bytes.size() <= size &&
         std::memcmp(data + pattern.offset, pattern.bytes.data(), pattern.bytes.size()) == 0;
}

}  // namespace

bool IsPictureRecordWord(uint16_t word) {
  return std::find(kPictureRecordWords.begin(), kPictureRecordWords.end(), word) !=
         kPictureRecordWords.end();
}

std::optional<std::string_view> MatchPictureFile(const uint8_t* data, size_t size) {
  for (const auto& signature : kPictureFileSignatures) {
    if (std::all_of(signature.patterns.begin(), signature.patterns.end(),
                    [&](const BytePattern& p) { return Matches(data, size, p); }))
      return signature.extension;
  }
  return std::nullopt;
}

}  // namespace vlx
