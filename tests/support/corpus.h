#pragma once

#include <sys/stat.h>

#include <string>

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
