#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "automation/libreoffice/libreoffice_server.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

inline bool OfficeInstalled() {
  return ::access(LibreOfficeServer::DefaultOfficeProgram().c_str(), X_OK) == 0;
}

#define VLX_REQUIRE_OFFICE()                                                                   \
  do {                                                                                         \
    if (!::vlx::testing::OfficeInstalled())                                                    \
      GTEST_SKIP() << "no LibreOffice at " << ::vlx::LibreOfficeServer::DefaultOfficeProgram() \
                   << " (install libreoffice-impress)";                                        \
  } while (0)

// Width and height from a JPEG's frame header; {0, 0} when there is none.
struct JpegSize {
  int width = 0;
  int height = 0;
};
inline JpegSize ReadJpegSize(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return {};
  size_t at = 2;
  while (at + 9 < bytes.size()) {
    if (bytes[at] != 0xFF) return {};
    const unsigned char marker = bytes[at + 1];
    const size_t length = (size_t{bytes[at + 2]} << 8) | bytes[at + 3];
    if (marker >= 0xC0 && marker <= 0xC2) {
      return {(bytes[at + 7] << 8) | bytes[at + 8], (bytes[at + 5] << 8) | bytes[at + 6]};
    }
    at += 2 + length;
  }
  return {};
}

inline bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// True while the process runs (a zombie counts as ended).
inline bool ProcessRuns(int pid) {
  if (pid <= 0 || ::kill(pid, 0) != 0) return false;
  std::vector<unsigned char> stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  std::string text(stat.begin(), stat.end());
  size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}

inline bool Contains(const std::vector<unsigned char>& haystack, const std::string& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

}  // namespace vlx::testing
