#pragma once

#include <cstdint>

#include "engine/scan/pictures/byte_source.h"
#include "engine/scan/pictures/found_picture.h"

namespace vlx {

// Positions are searched in stretches of this many; progress is told once per stretch.
inline constexpr size_t kPictureSearchStretch = 65536;

// What the search tells, and asks, its caller.
class PictureSearchEvents {
 public:
  virtual ~PictureSearchEvents() = default;
  // Before the stretch of positions from start on; false stops the search.
  virtual bool EnterStretch(uint64_t start) = 0;
  // Asked before every 64 positions and before every candidate; false stops the search.
  virtual bool KeepGoing() = 0;
  // The picture's bytes are a view of the source, valid during the call.
  virtual void Found(FoundPicture picture) = 0;
};

// Finds the picture records at every position of source whose 8-byte header lies inside
// it, of any size, in ascending order. A picture found does not make the search skip its
// bytes. Any byte source serves: a whole damaged file, or a stream put together from
// it. Returns false when stopped.
bool SearchPictures(ByteSource& source, PictureSearchEvents& events);

// The same over bytes in memory.
bool SearchPictures(ByteSpan source, PictureSearchEvents& events);

}  // namespace vlx
