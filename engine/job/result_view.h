#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/job/image_toolkit.h"
#include "engine/job/recovery_outcome.h"

namespace vlx {

// The result lists of the view: three of thumbnails, and the saved slide-text files.
enum class ResultList { kSlides, kDataSlides, kPictures, kTexts };

// One thing a run recovered, as the view shows it. Reported once, when it is found.
struct ResultItem {
  ResultList list = ResultList::kSlides;
  std::string label;           // "Slide 3", "Data Slide1", "Image 2"
  Bitmap thumbnail;            // empty when none could be made
  int position = -1;           // place in its list: 0 = first; negative or past the end = last
  std::string file;            // the saved file (a picture in its own format, a text); may be empty
  std::string kind;            // a picture's saved extension ("jpg", "png"); empty for slides
  int64_t source_offset = -1;  // a picture's first record offset in the damaged file
};

// A slide or data-slide item: a label and a thumbnail at a place in its list.
inline ResultItem SlideItem(ResultList list, std::string label, Bitmap thumbnail, int position) {
  ResultItem item;
  item.list = list;
  item.label = std::move(label);
  item.thumbnail = std::move(thumbnail);
  item.position = position;
  return item;
}

// The engine-facing side of the result view: it is told, it is never asked.
class ResultView {
 public:
  virtual ~ResultView() = default;
  virtual void Add(const ResultItem& item) = 0;
  // How the presentation was recovered (fast mode), once at its end; a view may ignore it.
  virtual void ReportOutcome(const RecoveryOutcome& outcome) { (void)outcome; }
};

}  // namespace vlx
