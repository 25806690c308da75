#pragma once

#include "engine/scan/extract_images.h"

namespace vlx {

// The "Pictures" streams the salvage puts back together from the damaged file (their
// chain, or their sectors placed by their own records), for the picture search. A
// stream whose sectors all follow one another in the file holds nothing the search of
// the file itself did not see, and is passed over.
class SalvagedPictureStreams : public FurtherPictureSources {
 public:
  bool ForEach(DamagedFile& file, const std::function<bool(ByteSource&)>& search) override;
};

}  // namespace vlx
