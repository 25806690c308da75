#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace vlx::cli {
namespace {

std::optional<CommandLine> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string ignored;
  return ParseCommandLine(args, error != nullptr ? error : &ignored);
}

TEST(CommandLineTest, DefaultsWithOneInput) {
  const auto line = Parse({"deck.ppt"});
  ASSERT_TRUE(line);
  EXPECT_EQ(line->mode, RecoveryMode::kAuto);
  EXPECT_EQ(line->prefix, "Rec");
  EXPECT_EQ(line->master, 1);
  EXPECT_FALSE(line->trace);
  EXPECT_FALSE(line->no_office || line->json || line->list_masters);
  EXPECT_EQ(line->inputs, std::vector<std::string>{"deck.ppt"});
}

TEST(CommandLineTest, EveryOptionInBothSpellings) {
  const auto line =
      Parse({"--mode", "standard", "--output=/tmp/o", "--prefix", "Fix", "--master=3",
             "--list-masters", "--trace", "t.log", "--no-office", "--json", "a.ppt", "b.ppt"});
  ASSERT_TRUE(line);
  EXPECT_EQ(line->mode, RecoveryMode::kStandard);
  EXPECT_EQ(line->output_folder, "/tmp/o");
  EXPECT_EQ(line->prefix, "Fix");
  EXPECT_EQ(line->master, 3);
  EXPECT_TRUE(line->list_masters && line->no_office && line->json);
  EXPECT_EQ(line->trace.value_or(""), "t.log");
  EXPECT_EQ(line->inputs, (std::vector<std::string>{"a.ppt", "b.ppt"}));
}

TEST(CommandLineTest, DoubleDashEndsOptions) {
  const auto line = Parse({"--mode", "fast", "--", "--json", "-x.ppt"});
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->json);
  EXPECT_EQ(line->inputs, (std::vector<std::string>{"--json", "-x.ppt"}));
}

TEST(CommandLineTest, UsageErrorsSayWhy) {
  std::string why;
  EXPECT_FALSE(Parse({}, &why));
  EXPECT_EQ(why, "no input file given");
  EXPECT_FALSE(Parse({"--mode", "quick", "a.ppt"}, &why));
  EXPECT_NE(why.find("fast, standard or auto"), std::string::npos);
  EXPECT_FALSE(Parse({"a.ppt", "--mode"}, &why)) << "a value is missing at the end";
  EXPECT_FALSE(Parse({"--master", "0", "a.ppt"}, &why));
  EXPECT_FALSE(Parse({"--master", "2x", "a.ppt"}, &why));
  EXPECT_FALSE(Parse({"--prefix", "../up", "a.ppt"}, &why)) << "a prefix cannot leave the folder";
  EXPECT_FALSE(Parse({"--prefix", "..", "a.ppt"}, &why));
  EXPECT_FALSE(Parse({"--json=yes", "a.ppt"}, &why));
  EXPECT_FALSE(Parse({"--frobnicate", "a.ppt"}, &why));
  EXPECT_EQ(why, "unknown option --frobnicate");
}

TEST(CommandLineTest, HelpAndVersionNeedNoInput) {
  EXPECT_TRUE(Parse({"--help"}).value().help);
  EXPECT_TRUE(Parse({"--version"}).value().version);
  const std::string usage = UsageText();
  for (const char* option : {"--mode", "--output", "--prefix", "--master", "--list-masters",
                             "--trace", "--no-office", "--json", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace vlx::cli
