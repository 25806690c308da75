#pragma once

#include <string>

#include "engine/job/recovery_job.h"

namespace vlx {

// A picture's saved extension: the extraction's, lower case and plain ("Jpg" -> "jpg");
// "bin" when nothing usable is left.
std::string SavedPictureExtension(const std::string& extension);

// output_folder + "Pictures/Image<number>.<extension>".
std::string SavedPicturePath(const std::string& output_folder, int number,
                             const std::string& extension);

// Draws the pictures the image toolkit cannot (metafiles) into an image file it can
// read; false when this one cannot be drawn.
class PictureDrawing {
 public:
  virtual ~PictureDrawing() = default;
  virtual bool Draw(const std::string& picture_path, const std::string& image_path, int size) = 0;
};

// What the report of a picture tells besides its file.
struct PictureFacts {
  int64_t source_offset = -1;         // where it was first found
  std::string placeholder_label;      // set for pictures shown as a labelled placeholder
  PictureDrawing* drawing = nullptr;  // draws them first, when it can
};

// Reports a picture saved at saved_path to the view, first in the picture list as
// "Image <n>", with its thumbnail (made through a JPEG copy at jpeg_path, deleted
// afterwards; none when the picture cannot be converted) and its log line. A picture
// with a placeholder label (a metafile) is drawn through facts.drawing (into a PNG
// beside jpeg_path, deleted afterwards) where there is one and it can; else it gets the labelled
// placeholder as its thumbnail.
void ReportPicture(RecoveryJob& job, const std::string& saved_path, const std::string& extension,
                   const std::string& jpeg_path, const PictureFacts& facts = {});

}  // namespace vlx
