#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/scan/pictures/found_picture.h"

namespace vlx {

// The pictures a run has saved, so that a picture found again (the same bytes in the
// same format) is written only once. A picture is remembered by a fingerprint of its
// bytes and the file it was saved as; a picture whose fingerprint matches is compared
// byte for byte with that file.
class PictureLedger {
 public:
  bool Holds(const FoundPicture& picture) const;
  // Remembers a picture saved whole at saved_path.
  void Keep(const FoundPicture& picture, const std::string& saved_path);

 private:
  struct Kept {
    std::string_view extension;
    uint64_t size = 0;
    std::string saved_path;
  };
  static uint64_t Fingerprint(ByteSpan bytes);

  std::unordered_multimap<uint64_t, Kept> kept_;
};

}  // namespace vlx
