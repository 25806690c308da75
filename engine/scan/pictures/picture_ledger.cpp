#include "engine/scan/pictures/picture_ledger.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

namespace vlx {
namespace {

// True when the file at path holds exactly the picture's file header and bytes.
bool FileHolds(const std::string& path, const FoundPicture& picture) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> piece(1 << 16);
  auto same = [&](ByteSpan expected) {
    while (!expected.empty()) {
      const size_t n = std::min(piece.size(), expected.size());
      if (!in.read(piece.data(), static_cast<std::streamsize>(n))) return false;
      if (!std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(n),
                      reinterpret_cast<const uint8_t*>(piece.data())))
        return false;
      expected = expected.subspan(n);
    }
    return true;
  };
  return in && same(picture.file_header) && same(picture.body()) &&
         in.peek() == std::ifstream::traits_type::eof();
}

}  // namespace

uint64_t PictureLedger::Fingerprint(ByteSpan bytes) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool PictureLedger::Holds(const FoundPicture& picture) const {
  const auto [first, last] = kept_.equal_range(Fingerprint(picture.body()));
  return std::any_of(first, last, [&](const auto& entry) {
    const Kept& kept = entry.second;
    return kept.extension == picture.extension && kept.size == picture.size() &&
           FileHolds(kept.saved_path, picture);
  });
}

void PictureLedger::Keep(const FoundPicture& picture, const std::string& saved_path) {
  kept_.emplace(Fingerprint(picture.body()), Kept{picture.extension, picture.size(), saved_path});
}

}  // namespace vlx
