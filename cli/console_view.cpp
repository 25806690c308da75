#include "cli/console_view.h"

#include <algorithm>
#include <cctype>

#include "engine/job/final_file.h"
#include "engine/job/folder_tree.h"

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
    case ResultList::kTexts:
      return "Text";
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

void ConsoleView::Clear() {
  slides_.clear();
  data_slides_.clear();
  pictures_.clear();
  texts_.clear();
}

size_t ConsoleView::ListSize(ResultList list) const {
  switch (list) {
    case ResultList::kSlides:
      return slides_.size();
    case ResultList::kDataSlides:
      return data_slides_.size();
    case ResultList::kPictures:
      return pictures_.size();
    case ResultList::kTexts:
      return texts_.size();
  }
  return 0;
}

std::string ConsoleView::WriteThumbnail(const ResultItem& item) {
  if (env_ == nullptr) return {};
  const std::string folder = env_->output_folder + "Thumbnails";
  if (!MakeFolder(folder)) return {};
  const std::string path =
      folder + "/" +
      ThumbnailFileName(item.list, item.label, static_cast<int>(ListSize(item.list)) + 1);
  const bool saved = WriteIntoPlace(
      path, [&](const std::string& part) { return env_->images.SaveJpeg(item.thumbnail, part); });
  return saved ? path : std::string();
}

void ConsoleView::Add(const ResultItem& item) {
  if (item.list == ResultList::kTexts) {
    texts_.push_back(TextEntry{item.label, item.file});
    return;
  }
  const std::string thumbnail = item.thumbnail.empty() && item.list == ResultList::kPictures
                                    ? std::string()
                                    : WriteThumbnail(item);
  if (item.list == ResultList::kPictures) {
    pictures_.push_back(PictureEntry{item.file, item.kind, thumbnail, item.source_offset});
    return;
  }
  auto& items = item.list == ResultList::kSlides ? slides_ : data_slides_;
  const size_t at =
      item.position < 0 ? items.size() : std::min(items.size(), static_cast<size_t>(item.position));
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(at),
               ThumbnailEntry{item.label, thumbnail});
}

}  // namespace vlx::cli
