#pragma once

#include <functional>
#include <future>
#include <optional>
#include <string>

#include "engine/job/image_toolkit.h"

namespace vlx {

// The thumbnails of numbered picture files (1 to count), taken in ascending order.
// When the toolkit allows it, two are made at once: taking an odd-numbered one also
// starts the next on a second thread, so it is ready, or nearly, when it is taken. A
// number skipped (a stop) only costs the one made ahead; the object waits for it when
// it ends.
class ThumbnailsInPairs {
 public:
  using PathOf = std::function<std::string(int)>;

  ThumbnailsInPairs(ImageToolkit& images, PathOf path_of, int count, int width, int height);
  ~ThumbnailsInPairs();
  ThumbnailsInPairs(const ThumbnailsInPairs&) = delete;
  ThumbnailsInPairs& operator=(const ThumbnailsInPairs&) = delete;

  // Thumbnail n, nullopt when its file cannot be loaded.
  std::optional<Bitmap> Take(int n);

 private:
  void StartAhead(int n);

  ImageToolkit& images_;
  PathOf path_of_;
  int count_;
  int width_;
  int height_;
  bool pairs_;
  int ahead_ = 0;  // the number being made on the second thread; 0: none
  std::future<std::optional<Bitmap>> made_ahead_;
};

}  // namespace vlx
