#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/e2e/e2e_fixture.h"

namespace vlx::e2e {
namespace {

using testing::ReadAll;

bool Within(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.compare(0, folder.size(), folder) == 0;
}

// Every bad input in one call per mode: each gets a clear result, the tool neither
// crashes nor hangs, the inputs are untouched and nothing is left outside the run
// folders (the working folder and the temporary folder end empty).
class BadInputs : public ::testing::TestWithParam<const char*> {};

TEST_P(BadInputs, ClearResultNoCrashNoHangNoStrayFile) {
  VLX_REQUIRE_E2E_TOOLS();
  const std::string mode = GetParam();
  SealedPlace sealed;
  std::map<std::string, std::vector<unsigned char>> inputs;
  std::vector<std::string> paths;
  for (const std::string& name : CorpusFiles("badinput")) {
    const std::string copy = sealed.Input(name);
    std::filesystem::copy_file(CorpusPath("badinput/" + name), copy);
    inputs[copy] = ReadAll(copy);
    paths.push_back(copy);
  }
  ASSERT_FALSE(paths.empty());

  const ToolRun run = RunRecoveryTool(mode, paths, sealed.place(), 600);
  ASSERT_NE(run.status, 124) << "the tool hung";
  ASSERT_TRUE(run.status == 0 || run.status == 1 || run.status == 2)
      << "exit status " << run.status << "\n"
      << run.messages.substr(0, 4000);
  ASSERT_TRUE(run.report_read) << run.report;

  std::vector<std::string> run_folders;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    int listed = 0;
    for (const ReportedRun& reported : run.runs) {
      if (reported.input != path) continue;
      ++listed;
      EXPECT_TRUE(reported.file_status == 0 || reported.file_status == 1 ||
                  reported.file_status == 2);
      if (reported.mode.empty()) {
        EXPECT_EQ(reported.file_status, 2);
        EXPECT_FALSE(reported.error.empty()) << "a refused input needs a reason";
      } else {
        EXPECT_EQ(reported.mode, mode);
        EXPECT_FALSE(reported.stopped);
        // A run's folder is in the output folder, or reported as none when it got
        // nothing and was removed (the stray-file check below then finds anything left).
        if (!reported.output_folder.empty()) {
          EXPECT_TRUE(Within(reported.output_folder, sealed.place().output_folder));
          run_folders.push_back(reported.output_folder);
        }
      }
    }
    EXPECT_GE(listed, 1) << "the report does not list this input";
    EXPECT_EQ(ReadAll(path), inputs[path]) << "the damaged file was written to";
  }
  EXPECT_EQ(FilesBelow(sealed.InputFolder()).size(), paths.size());
  EXPECT_TRUE(FilesBelow(sealed.place().current_folder).empty())
      << "stray file in the working folder";
  EXPECT_EQ(FilesBelow(sealed.place().temp_folder), std::vector<std::string>{})
      << "left in the temporary folder";
  for (const std::string& file : FilesBelow(sealed.place().output_folder)) {
    const std::string full = sealed.place().output_folder + "/" + file;
    bool inside = false;
    for (const std::string& folder : run_folders)
      inside = inside || Within(std::filesystem::path(full).lexically_normal().string(),
                                std::filesystem::path(folder).lexically_normal().string());
    EXPECT_TRUE(inside) << "stray output file " << file;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadInputs, ::testing::Values("fast", "standard"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace vlx::e2e
