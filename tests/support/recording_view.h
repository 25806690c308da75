#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/job/result_view.h"

namespace vlx::testing {

// A ResultView that keeps the labels of each list and the add-picture calls.
class RecordingView : public ResultView {
 public:
  struct PictureCall {
    std::string picture_path, jpeg_path, extension, output_folder;
    std::vector<char> bytes;  // content of the picture file at the time of the call
  };

  int ItemCount(ResultList list) override { return static_cast<int>(Labels(list).size()); }
  void AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                    const std::string& label) override {
    auto& labels = Labels(list);
    if (position < 0 || position > static_cast<int>(labels.size())) position = static_cast<int>(labels.size());
    labels.insert(labels.begin() + position, label);
    last_bitmap = bitmap;
  }
  void AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                  const std::string& extension, const std::string& output_folder) override;

  std::vector<std::string>& Labels(ResultList list) { return labels_[static_cast<int>(list)]; }

  std::vector<PictureCall> pictures;
  Bitmap last_bitmap;

 private:
  std::array<std::vector<std::string>, 3> labels_;
};

inline void RecordingView::AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                                      const std::string& extension,
                                      const std::string& output_folder) {
  PictureCall call{picture_path, jpeg_path, extension, output_folder, {}};
  if (FILE* f = std::fopen(picture_path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) call.bytes.insert(call.bytes.end(), buf, buf + n);
    std::fclose(f);
  }
  pictures.push_back(std::move(call));
}

}  // namespace vlx::testing
