#pragma once

#include "engine/scan/extract_images.h"

namespace vlx {

// The "Pictures" streams the salvage puts back together from the damaged file (their
// chain, or their sectors placed by their own records), for the picture search. A
// stream whose sectors all follow one another in the file holds nothing the search of
// the file itself did not see, and is passed over. The run's salvage plans are used
// (and made, when this is their first need).
class SalvagedPictureStreams : public FurtherPictureSources {
 public:
  explicit SalvagedPictureStreams(RecoveryJob& job) : job_(job) {}
  bool ForEach(DamagedFile& file, const std::function<bool(ByteSource&)>& search) override;

 private:
  RecoveryJob& job_;
};

}  // namespace vlx
