#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "engine/job/damaged_file.h"

namespace vlx {

// Where one picture (blip) record lies in a pictures file: its header offset and its
// whole length, header included.
struct BlipLocation {
  uint64_t offset = 0;
  uint64_t length = 0;
};

using BlipUid = std::array<uint8_t, 16>;

// The picture records of a pictures file, by the unique id each carries first in its
// body (the id its blip-store entry names). The file is walked record by record; where
// something other than a picture record stands, the walk goes on at the next 512-byte
// boundary, so one pass costs a header read per record or per block.
class BlipCatalogue {
 public:
  static BlipCatalogue Read(DamagedFile& pictures);

  std::optional<BlipLocation> Find(const BlipUid& uid) const;
  size_t size() const { return by_uid_.size(); }

 private:
  std::map<BlipUid, BlipLocation> by_uid_;  // the first record of each id
};

}  // namespace vlx
