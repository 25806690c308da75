#include "engine/scan/picture_report.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "engine/scan/lone_bitmap_thumbnail.h"

namespace vlx {
namespace {

constexpr int kPictureThumbnailSize = 100;

}  // namespace

std::string SavedPictureExtension(const std::string& extension) {
  std::string lower;
  for (char c : extension) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return lower.empty() ? "bin" : lower;
}

std::string SavedPicturePath(const std::string& output_folder, int number,
                             const std::string& extension) {
  return output_folder + "Pictures/Image" + std::to_string(number) + "." + extension;
}

void ReportPicture(RecoveryJob& job, const std::string& saved_path, const std::string& extension,
                   const std::string& jpeg_path, const PictureFacts& facts) {
  ImageToolkit& images = job.env.images;
  ResultItem item;
  item.list = ResultList::kPictures;
  item.label = "Image " + std::to_string(job.results.Count(ResultList::kPictures) + 1);
  item.position = 0;
  item.file = saved_path;
  item.kind = extension;
  item.source_offset = facts.source_offset;
  if (!facts.placeholder_label.empty()) {
    if (facts.drawing != nullptr) {
      // A metafile that is one bitmap looks like that bitmap: no need to draw it.
      if (std::optional<Bitmap> bitmap =
              LoneBitmapThumbnail(images, saved_path, jpeg_path + ".bmp", kPictureThumbnailSize))
        item.thumbnail = std::move(*bitmap);
    }
    if (item.thumbnail.empty() && facts.drawing != nullptr) {
      const std::string drawn = jpeg_path + ".png";
      if (facts.drawing->Draw(saved_path, drawn, kPictureThumbnailSize)) {
        if (std::optional<Bitmap> bitmap =
                images.MakeThumbnail(drawn, kPictureThumbnailSize, kPictureThumbnailSize))
          item.thumbnail = std::move(*bitmap);
      }
      std::remove(drawn.c_str());
    }
    if (item.thumbnail.empty())
      item.thumbnail = images.LabelledPlaceholder(facts.placeholder_label, kPictureThumbnailSize,
                                                  kPictureThumbnailSize);
  } else if (std::optional<Bitmap> bitmap = images.MakeThumbnailAsJpeg(
                 saved_path, jpeg_path, kPictureThumbnailSize, kPictureThumbnailSize)) {
    item.thumbnail = std::move(*bitmap);
  }
  job.results.Report(item);
  job.sink().AppendLog("Recovered " + item.label + "\r\n");
}

}  // namespace vlx
