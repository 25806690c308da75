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

// What the report of a picture tells besides its file.
struct PictureFacts {
  int64_t source_offset = -1;     // where it was first found
  std::string placeholder_label;  // set for pictures shown as a labelled placeholder
};

// Reports a picture saved at saved_path to the view, first in the picture list as
// "Image <n>", with its thumbnail (made through a JPEG copy at jpeg_path, deleted
// afterwards; none when the picture cannot be converted) and its log line. A picture
// with a placeholder label (a metafile) gets the labelled placeholder as its thumbnail.
void ReportPicture(RecoveryJob& job, const std::string& saved_path, const std::string& extension,
                   const std::string& jpeg_path, const PictureFacts& facts = {});

}  // namespace vlx
