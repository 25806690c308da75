#pragma once

// Shared set-up of the end-to-end tests: the corpus lists, the office the tests open
// outputs with, and a sealed-off place for one tool call.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/libreoffice/libreoffice_server.h"
#include "tests/e2e/recovery_tool_run.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"

#ifndef VLX_RECOVER_TOOL
#define VLX_RECOVER_TOOL ""
#endif

namespace vlx::e2e {

// Every .ppt of a corpus folder, sorted by name.
inline std::vector<std::string> CorpusFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusPath(folder), ec))
    if (entry.path().extension() == ".ppt") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline bool FullMatrixRequested() {
  const char* full = std::getenv("VLX_E2E_FULL");
  return full != nullptr && std::string(full) == "1";
}

inline bool RecoveryToolBuilt() {
  return std::string(VLX_RECOVER_TOOL).size() > 0 && ::access(VLX_RECOVER_TOOL, X_OK) == 0;
}

#define VLX_REQUIRE_E2E_TOOLS()                                              \
  do {                                                                       \
    VLX_REQUIRE_CORPUS();                                                    \
    if (!RecoveryToolBuilt()) GTEST_SKIP() << "vlxrecover is not built";     \
    if (!vlx::testing::OlefileAvailable())                                   \
      GTEST_SKIP() << "python3-olefile is not installed (/usr/bin/python3)"; \
  } while (0)

// The office the tests re-open outputs with: one per test program, started on first use
// and ended after the last test (a server left to static destruction would outlive the
// office libraries it talks through).
LibreOfficeServer& TestOffice();

// A temporary tree holding the inputs, the tool's working and temporary folders and its
// output folder, removed afterwards.
class SealedPlace {
 public:
  SealedPlace() {
    for (const char* sub : {"in", "cwd", "tmp", "out", "scratch"})
      std::filesystem::create_directories(root_.File(sub));
    place_ = {root_.File("cwd"), root_.File("tmp"), root_.File("out"), root_.File("scratch")};
  }
  const ToolPlace& place() const { return place_; }
  std::string Input(const std::string& name) const { return root_.File("in/" + name); }
  std::string InputFolder() const { return root_.File("in"); }

 private:
  testing::TempDir root_;
  ToolPlace place_;
};

}  // namespace vlx::e2e
