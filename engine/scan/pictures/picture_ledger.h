#pragma once

#include <cstdint>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/scan/pictures/found_picture.h"

namespace vlx {

// The pictures a run has kept, so that a picture found again (the same bytes in the
// same format) is written only once. Raster pictures are remembered by their bytes in
// the source, which must outlive the ledger; inflated metafiles are copied.
class PictureLedger {
 public:
  bool Holds(const FoundPicture& picture) const;
  void Keep(const FoundPicture& picture);

 private:
  struct Kept {
    std::string_view extension;
    ByteSpan bytes;
  };
  static uint64_t Fingerprint(ByteSpan bytes);

  std::unordered_multimap<uint64_t, Kept> kept_;
  std::deque<std::vector<uint8_t>> copies_;
};

}  // namespace vlx
