// The committed template data is exactly what the generator makes from the corpus.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(TemplateGenerator, RegeneratesTheCommittedDataByteForByte) {
  const fs::path corpus = fs::path(VLX_CORPUS_DIR) / "healthy";
  if (!fs::exists(corpus / "Single_Coloured_Page.ppt") ||
      !fs::exists(corpus / "basic_test_ppt_file.ppt")) {
    GTEST_SKIP() << "corpus not found at " << corpus << "; generator not checked";
  }
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3 not available; generator not checked";
  }
  const fs::path source = VLX_SOURCE_DIR;
  const fs::path output =
      fs::temp_directory_path() / ("vlx_template_records_" + std::to_string(::getpid()) + ".inc");
  const std::string command =
      "python3 \"" + (source / "tools" / "generate_template_records.py").string() +
      "\" --corpus \"" + corpus.string() + "\" --output \"" + output.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::string regenerated = ReadWhole(output);
  fs::remove(output);
  const std::string committed =
      ReadWhole(source / "engine" / "format" / "template_records_data.inc");
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(regenerated == committed) << "engine/format/template_records_data.inc is stale: "
                                           "re-run tools/generate_template_records.py";
}

}  // namespace
