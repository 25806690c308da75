#pragma once

// The folder of pictures that the office writes when it saves a presentation in the
// JPEG format: one "Slide<n>.JPG" per slide.

#include <string>

namespace vlx {

// The three boxes that thumbnails are made in.
inline constexpr int kSlideThumbnailWidth = 170;
inline constexpr int kSlideThumbnailHeight = 120;
inline constexpr int kPictureThumbnailSize = 100;

// An office whose version text holds the character '8' cannot export JPEG pictures;
// its slides are shown with the stock bitmap.
bool CannotExportJpeg(const std::string& version);

// folder + "/Slide" + slide + ".JPG".
std::string ExportedSlidePath(const std::string& folder, int slide);

// Deletes what an earlier export left in the folder, so that an export that writes
// nothing is never shown with an older slide's picture.
void RemoveEarlierExport(const std::string& folder);

}  // namespace vlx
