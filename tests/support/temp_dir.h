#pragma once

#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/job/folder_tree.h"

namespace vlx::testing {

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = "/tmp/vlxtest-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
  }
  ~TempDir() {
    if (!path_.empty()) DeleteFolderTree(path_);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::string path_;
};

inline std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vlx::testing
