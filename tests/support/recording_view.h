#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/job/result_view.h"

namespace vlx::testing {

// A ResultView that keeps the labels of each list and every reported picture.
class RecordingView : public ResultView {
 public:
  struct Picture {
    ResultItem item;
    std::vector<char> bytes;  // content of the saved picture file when it was reported
  };

  void Add(const ResultItem& item) override {
    auto& labels = Labels(item.list);
    int position = item.position;
    if (position < 0 || position > static_cast<int>(labels.size()))
      position = static_cast<int>(labels.size());
    labels.insert(labels.begin() + position, item.label);
    last_bitmap = item.thumbnail;
    items.push_back(item);
    if (item.list == ResultList::kPictures) pictures.push_back({item, ReadFile(item.file)});
  }

  std::vector<std::string>& Labels(ResultList list) { return labels_[static_cast<int>(list)]; }
  int Count(ResultList list) { return static_cast<int>(Labels(list).size()); }

  std::vector<ResultItem> items;
  std::vector<Picture> pictures;
  Bitmap last_bitmap;

 private:
  static std::vector<char> ReadFile(const std::string& path) {
    std::vector<char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
      std::fclose(f);
    }
    return bytes;
  }

  std::array<std::vector<std::string>, 4> labels_;
};

}  // namespace vlx::testing
