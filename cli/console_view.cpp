#include "cli/console_view.h"

#include <cctype>

#include "automation/stages/picture_thumbnail.h"
#include "cli/file_copy.h"
#include "engine/job/final_file.h"

namespace vlx::cli {
namespace {

const char* ListName(ResultList list) {
  switch (list) {
    case ResultList::kSlides:
      return "Slide";
    case ResultList::kDataSlides:
      return "Data Slide";
    case ResultList::kPictures:
      return "Image";
  }
  return "Item";
}

}  // namespace

std::string ThumbnailFileName(ResultList list, const std::string& label, int fallback_number) {
  size_t start = label.size();
  while (start > 0 && std::isdigit(static_cast<unsigned char>(label[start - 1]))) --start;
  const std::string digits = label.substr(start);
  const std::string number = digits.empty() ? std::to_string(fallback_number) : digits;
  return std::string(ListName(list)) + " " + number + ".jpg";
}

std::string SavedPictureExtension(const std::string& extension) {
  std::string lower;
  for (char c : extension) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return lower.empty() ? "bin" : lower;
}

void ConsoleView::Clear() {
  slides_.clear();
  data_slides_.clear();
  pictures_.clear();
}

int ConsoleView::ItemCount(ResultList list) {
  switch (list) {
    case ResultList::kSlides:
      return static_cast<int>(slides_.size());
    case ResultList::kDataSlides:
      return static_cast<int>(data_slides_.size());
    case ResultList::kPictures:
      return static_cast<int>(pictures_.size());
  }
  return 0;
}

std::string ConsoleView::WriteThumbnail(ResultList list, const Bitmap& bitmap,
                                        const std::string& label) {
  if (env_ == nullptr) return {};
  const std::string folder = env_->output_folder + "Thumbnails";
  if (!MakeFolder(folder)) return {};
  const std::string path = folder + "/" + ThumbnailFileName(list, label, ItemCount(list) + 1);
  const bool saved = WriteIntoPlace(
      path, [&](const std::string& part) { return env_->images.SaveJpeg(bitmap, part); });
  return saved ? path : std::string();
}

void ConsoleView::AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                               const std::string& label) {
  const std::string thumbnail = WriteThumbnail(list, bitmap, label);
  if (list == ResultList::kPictures) {
    // Only the picture being added gets a thumbnail; the entry itself is made by AddPicture.
    if (adding_picture_) {
      picture_thumbnail_ = thumbnail;
      picture_listed_ = true;
    }
    return;
  }
  auto& items = list == ResultList::kSlides ? slides_ : data_slides_;
  const size_t at =
      position < 0 ? items.size() : std::min(items.size(), static_cast<size_t>(position));
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), ThumbnailEntry{label, thumbnail});
}

void ConsoleView::AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                             const std::string& extension, const std::string& output_folder) {
  if (env_ == nullptr) return;
  const int number = static_cast<int>(pictures_.size()) + 1;
  const std::string folder = output_folder + "Pictures";
  const std::string ext = SavedPictureExtension(extension);
  const std::string saved = folder + "/Image" + std::to_string(number) + "." + ext;
  if (!MakeFolder(folder) || !CopyFile(picture_path, saved)) {
    env_->sink.AppendLog("Cannot save picture " + saved + "\r\n");
    return;
  }
  // The stage labels the thumbnail by the list's count + 1, which is this picture's number
  // while its entry is not yet made.
  adding_picture_ = true;
  picture_thumbnail_.clear();
  picture_listed_ = false;
  RecoveryJob job(*env_);
  AddPictureThumbnail(job, picture_path, jpeg_path, extension, output_folder);
  adding_picture_ = false;
  if (!picture_listed_) env_->sink.AppendLog("Recovered Image " + std::to_string(number) + "\r\n");
  pictures_.push_back(PictureEntry{saved, ext, picture_thumbnail_});
}

}  // namespace vlx::cli
