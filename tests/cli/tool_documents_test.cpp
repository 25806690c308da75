// What a user reads about the tool agrees with the tool: the manual page, the bash
// completion and the README name every option, and the completion completes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>

#include "cli/command_line.h"
#include "cli/file_recovery.h"
#include "tests/support/temp_dir.h"

namespace vlx::cli {
namespace {

std::string Source(const std::string& relative) {
  const std::vector<unsigned char> bytes =
      vlx::testing::ReadAll(std::string(VLX_SOURCE_DIR) + "/" + relative);
  return std::string(bytes.begin(), bytes.end());
}

std::set<std::string> OptionsOfTheUsage() {
  std::set<std::string> options;
  const std::string usage = UsageText();
  const std::regex option("--[a-z][a-z-]+");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
       it != std::sregex_iterator(); ++it)
    options.insert(it->str());
  return options;
}

// The words the completion offers for a command line whose last word is being typed.
std::string Complete(const std::string& words) {
  const std::string script = std::string(VLX_SOURCE_DIR) + "/cli/vlxrecover.bash-completion";
  const std::string command = "bash -c 'source \"" + script + "\"; COMP_WORDS=(" + words +
                              "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _vlxrecover; echo "
                              "\"${COMPREPLY[*]}\"' 2>&1";
  std::string out;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ::pclose(pipe);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(ToolDocumentsTest, ManualCompletionAndReadmeNameEveryOption) {
  const std::set<std::string> options = OptionsOfTheUsage();
  ASSERT_GE(options.size(), 10u);
  const std::string manual = Source("cli/vlxrecover.1");
  const std::string completion = Source("cli/vlxrecover.bash-completion");
  const std::string readme = Source("README.md");
  for (const std::string& option : options) {
    std::string roff;  // the manual writes each '-' as '\-'
    for (char c : option) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_NE(manual.find(roff), std::string::npos) << option << " is not in the manual";
    EXPECT_NE(completion.find(option), std::string::npos) << option << " is not completed";
    EXPECT_NE(readme.find(option), std::string::npos) << option << " is not in the README";
  }
  EXPECT_NE(readme.find("\"saved_presentation\""), std::string::npos)
      << "the README shows the JSON report";
}

TEST(ToolDocumentsTest, CompletionCompletesOptionsAndModes) {
  if (std::system("command -v bash >/dev/null 2>&1") != 0) GTEST_SKIP() << "no bash";
  EXPECT_EQ(Complete("vlxrecover --mo"), "--mode");
  EXPECT_EQ(Complete("vlxrecover --list"), "--list-masters");
  EXPECT_EQ(Complete("vlxrecover --mode st"), "standard");
  EXPECT_EQ(Complete("vlxrecover --mode \"\""), "fast standard auto");
}

TEST(OutputFolderPrefixTest, TheFolderCarriesTheInputsName) {
  EXPECT_EQ(OutputFolderPrefix("/data/talk.ppt", "Rec"), "talk.Rec");
  EXPECT_EQ(OutputFolderPrefix("relative/deck.v2.pps", "Fix"), "deck.v2.Fix");
  EXPECT_EQ(OutputFolderPrefix("noextension", ""), "noextension.");
  EXPECT_EQ(OutputFolderPrefix("/data/.ppt", "Rec"), ".ppt.Rec") << "a hidden name stays whole";
}

}  // namespace
}  // namespace vlx::cli
