#include "engine/scan/pictures/picture_ledger.h"

#include <algorithm>
#include <functional>

namespace vlx {

uint64_t PictureLedger::Fingerprint(ByteSpan bytes) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool PictureLedger::Holds(const FoundPicture& picture) const {
  const ByteSpan bytes = picture.body();
  const auto [first, last] = kept_.equal_range(Fingerprint(bytes));
  return std::any_of(first, last, [&](const auto& entry) {
    const Kept& kept = entry.second;
    return kept.extension == picture.extension &&
           std::equal(kept.bytes.begin(), kept.bytes.end(), bytes.begin(), bytes.end());
  });
}

void PictureLedger::Keep(const FoundPicture& picture) {
  ByteSpan bytes = picture.body();
  if (picture.unpacked) bytes = copies_.emplace_back(bytes.begin(), bytes.end());
  kept_.emplace(Fingerprint(bytes), Kept{picture.extension, bytes});
}

}  // namespace vlx
