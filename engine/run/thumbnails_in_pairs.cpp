#include "engine/run/thumbnails_in_pairs.h"

#include <system_error>
#include <utility>

namespace vlx {

ThumbnailsInPairs::ThumbnailsInPairs(ImageToolkit& images, PathOf path_of, int count, int width,
                                     int height)
    : images_(images),
      path_of_(std::move(path_of)),
      count_(count),
      width_(width),
      height_(height),
      pairs_(images.ThumbnailsOnSeveralThreads()) {}

ThumbnailsInPairs::~ThumbnailsInPairs() {
  if (made_ahead_.valid()) made_ahead_.wait();
}

void ThumbnailsInPairs::StartAhead(int n) {
  if (!pairs_ || n > count_) return;
  std::string path = path_of_(n);
  try {
    made_ahead_ = std::async(std::launch::async, [this, path = std::move(path)] {
      return images_.MakeThumbnail(path, width_, height_);
    });
    ahead_ = n;
  } catch (const std::system_error&) {
    pairs_ = false;  // no second thread to be had: one at a time from here on
  }
}

std::optional<Bitmap> ThumbnailsInPairs::Take(int n) {
  if (made_ahead_.valid()) {
    if (ahead_ == n) {
      ahead_ = 0;
      return made_ahead_.get();
    }
    made_ahead_.wait();  // skipped past it
    made_ahead_ = {};
    ahead_ = 0;
  }
  StartAhead(n + 1);
  return images_.MakeThumbnail(path_of_(n), width_, height_);
}

}  // namespace vlx
