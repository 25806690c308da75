#include "engine/scan/picture_signatures.h"

#include <algorithm>

#include "engine/format/record_types.h"

namespace vlx {

bool IsPictureRecordWord(uint16_t word) {
  return std::find(kPictureRecordWords.begin(), kPictureRecordWords.end(), word) !=
         kPictureRecordWords.end();
}

}  // namespace vlx
