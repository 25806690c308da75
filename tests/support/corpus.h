#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

// Path of a file of the shared test corpus (VLX_CORPUS_DIR, set by the build).
inline std::string CorpusPath(const std::string& relative) {
  return std::string(VLX_CORPUS_DIR) + "/" + relative;
}

inline bool CorpusAvailable() {
  struct stat st {};
  return ::stat((std::string(VLX_CORPUS_DIR) + "/healthy").c_str(), &st) == 0;
}

// Skips the calling test when the corpus is not there.
#define VLX_REQUIRE_CORPUS()                                                            \
  do {                                                                                  \
    if (!CorpusAvailable())                                                             \
      GTEST_SKIP() << "test corpus not found at " VLX_CORPUS_DIR " (../shared/corpus)"; \
  } while (0)

// The names of the corpus's healthy presentations (*.ppt in healthy/), sorted; empty
// when the corpus is not there.
inline std::vector<std::string> HealthyCorpusPresentations() {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(CorpusPath("healthy").c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.ends_with(".ppt")) names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}
