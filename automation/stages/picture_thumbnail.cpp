#include "automation/stages/picture_thumbnail.h"

#include <cstdio>
#include <optional>

#include "automation/stages/slide_export.h"
#include "engine/job/recovery_job.h"

namespace vlx {

void AddPictureThumbnail(RecoveryJob& job, const std::string& picture_path,
                         const std::string& jpeg_path, const std::string& /*extension*/,
                         const std::string& /*output_folder*/) {
  ImageToolkit& images = job.env.images;
  if (!images.ConvertToJpeg(picture_path, jpeg_path)) return;
  if (std::optional<Bitmap> bitmap =
          images.MakeThumbnail(jpeg_path, kPictureThumbnailSize, kPictureThumbnailSize)) {
    ResultView& view = job.env.view;
    const std::string label = "Image " + std::to_string(view.ItemCount(ResultList::kPictures) + 1);
    view.AddThumbnail(ResultList::kPictures, *bitmap, 0, label);
    job.sink().AppendLog("Recovered " + label + "\r\n");
  }
  std::remove(jpeg_path.c_str());
  std::remove(picture_path.c_str());
}

}  // namespace vlx
