// The tool run as a user runs it: exit statuses, the output folder's layout, the JSON
// report, the input left alone, nothing written elsewhere, Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "tests/support/corpus.h"
#include "tests/support/temp_dir.h"
#include "tool_process.h"

namespace vlx::testing {
namespace {

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

std::vector<unsigned char> DecodeBase64(const std::string& text) {
  std::vector<unsigned char> bytes;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else
      continue;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      bytes.push_back(static_cast<unsigned char>(bits >> 16));
      bytes.push_back(static_cast<unsigned char>(bits >> 8));
      bytes.push_back(static_cast<unsigned char>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 3) {
    bytes.push_back(static_cast<unsigned char>(bits >> 10));
    bytes.push_back(static_cast<unsigned char>(bits >> 2));
  } else if (count == 2) {
    bytes.push_back(static_cast<unsigned char>(bits >> 4));
  }
  return bytes;
}

// The PNG picture the sample was made with, from its flat-ODF source.
std::vector<unsigned char> SamplePicture() {
  const std::vector<unsigned char> source =
      ReadAll(std::string(VLX_SOURCE_DIR) + "/samples/sample.fodp");
  const std::string text(source.begin(), source.end());
  const size_t begin = text.find("<office:binary-data>");
  const size_t end = text.find("</office:binary-data>");
  if (begin == std::string::npos || end == std::string::npos) return {};
  return DecodeBase64(text.substr(begin + 20, end - begin - 20));
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A fresh temporary folder for the tool's TMPDIR, a working folder and an output folder,
// so that every file the tool writes can be accounted for.
class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    for (const char* sub : {"tmp", "cwd", "out", "in"}) ::mkdir(root_.File(sub).c_str(), 0700);
  }

  ToolCall Call(std::vector<std::string> args) const {
    return IsolatedToolCall(root_.path(), std::move(args));
  }

  ToolResult Run(std::vector<std::string> args) const { return RunTool(Call(std::move(args))); }

  // A copy of the sample among the inputs.
  std::string SampleCopy(const std::string& name = "sample.ppt") const {
    return root_.Write("in/" + name, ReadAll(kSample));
  }

  std::string Out() const { return root_.File("out"); }
  std::string OutFile(const std::string& relative) const { return root_.File("out/" + relative); }

  TempDir root_;
};

TEST_F(ToolTest, HelpVersionAndUsageErrors) {
  ToolResult help = Run({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("Usage: vlxrecover"), std::string::npos);
  ToolResult version = Run({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out.rfind("vlxrecover ", 0), 0u);
  ToolResult bare = Run({});
  EXPECT_EQ(bare.exit_status, 2);
  EXPECT_NE(bare.err.find("no input file given"), std::string::npos);
  EXPECT_EQ(Run({"--mode", "slow", "x.ppt"}).exit_status, 2);
  EXPECT_TRUE(FilesBelow(root_.File("cwd")).empty()) << "usage errors write nothing";
}

TEST_F(ToolTest, UnreadableInputsAreRefusedWithTheirReason) {
  // 2 GiB exactly, sparse: refused before anything is read.
  const std::string big = root_.File("in/big.ppt");
  { std::ofstream(big).put('x'); }
  ASSERT_EQ(::truncate(big.c_str(), off_t{1} << 31), 0);

  ToolResult missing = Run({"--no-office", "--output", Out(), root_.File("in/none.ppt")});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
  ToolResult folder = Run({"--no-office", "--output", Out(), root_.File("in")});
  EXPECT_EQ(folder.exit_status, 2);
  EXPECT_NE(folder.err.find("not a regular file"), std::string::npos) << folder.err;
  ToolResult huge = Run({"--no-office", "--output", Out(), big});
  EXPECT_EQ(huge.exit_status, 2);
  EXPECT_NE(huge.err.find("2 GiB"), std::string::npos) << huge.err;
  EXPECT_TRUE(FilesBelow(Out()).empty());
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
}

TEST_F(ToolTest, FastModeSavesTheAssembledFileAndTheExactPicture) {
  const std::string input = SampleCopy();
  const std::vector<unsigned char> before = ReadAll(input);
  ToolResult r = Run({"--mode", "fast", "--no-office", "--json", "--output", Out(), input});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const std::string run = "d['files'][0]['runs'][0]";
  EXPECT_EQ(
      JsonQuery(r.out, run + "['mode'], " + run + "['output_folder'], " + run + "['stopped']"),
      "('fast', '" + OutFile("sample.Rec/") + "', False)");
  EXPECT_EQ(JsonQuery(r.out, run + "['saved_presentation']"),
            OutFile("sample.Rec/RecSlideIntigrated.ppt"));
  const std::vector<unsigned char> saved = ReadAll(OutFile("sample.Rec/RecSlideIntigrated.ppt"));
  ASSERT_GE(saved.size(), 512u);
  EXPECT_EQ(saved[0], 0xD0);
  EXPECT_EQ(saved[1], 0xCF);

  EXPECT_EQ(JsonQuery(r.out, "[p['file'] for p in " + run + "['pictures']]"),
            "['" + OutFile("sample.Rec/Pictures/Image1.png") + "']");
  const std::vector<unsigned char> picture = SamplePicture();
  ASSERT_GT(picture.size(), 17935u);
  EXPECT_EQ(ReadAll(OutFile("sample.Rec/Pictures/Image1.png")), picture) << "byte for byte";

  EXPECT_EQ(ReadAll(input), before) << "the damaged file is only read";
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "workspace removed, no trace file";
  EXPECT_TRUE(FilesBelow(root_.File("cwd")).empty());
  for (const std::string& file : FilesBelow(Out()))
    EXPECT_EQ(file.rfind("sample.Rec/", 0), 0u) << file;
}

TEST_F(ToolTest, StandardModeReportsTheCensusAndSavesTheRebuiltDeck) {
  ToolResult r =
      Run({"--mode", "standard", "--no-office", "--json", "--output", Out(), SampleCopy()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const std::string census = "d['files'][0]['runs'][0]['census']";
  EXPECT_EQ(JsonQuery(r.out, census + "['drawings'] >= 3, " + census + "['main_masters'] >= 1, " +
                                 census + "['picture_blocks'] >= 1"),
            "(True, True, True)");
  EXPECT_EQ(JsonQuery(r.out, "d['files'][0]['runs'][0]['saved_presentation']"),
            OutFile("sample.Rec/RecSlide.ppt"));
  EXPECT_TRUE(IsFile(OutFile("sample.Rec/RecSlide.ppt")));
  EXPECT_TRUE(IsFile(OutFile("sample.Rec/Pictures/Image1.png")));
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
}

TEST_F(ToolTest, EachInputIsItsOwnRunAndABadOneDoesNotStopTheOthers) {
  const std::string good = SampleCopy();
  ToolResult r = Run({"--mode", "fast", "--no-office", "--json", "--prefix", "Fix", "--output",
                      Out(), good, root_.File("in/none.ppt"), good});
  EXPECT_EQ(r.exit_status, 2) << "the most serious status of the files";
  EXPECT_EQ(JsonQuery(r.out, "[f['exit_status'] for f in d['files']]"), "[0, 2, 0]");
  EXPECT_EQ(JsonQuery(r.out, "[len(f['runs']) for f in d['files']]"), "[1, 0, 1]");
  EXPECT_EQ(JsonQuery(r.out, "d['files'][2]['runs'][0]['output_folder']"), OutFile("1sample.Fix/"));
  EXPECT_TRUE(IsFile(OutFile("sample.Fix/RecSlideIntigrated.ppt")));
  EXPECT_TRUE(IsFile(OutFile("1sample.Fix/RecSlideIntigrated.ppt")));
}

TEST_F(ToolTest, PlainOutputNamesTheOutputFolders) {
  ToolResult r = Run({"--mode", "fast", "--no-office", "--output", Out(), SampleCopy()});
  ASSERT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, OutFile("sample.Rec/") + "\n");
  EXPECT_NE(r.err.find("Repairing completed"), std::string::npos);
  EXPECT_EQ(r.err.find("\r"), std::string::npos) << "no bar when stderr is not a terminal";
}

TEST_F(ToolTest, NoiseRecoversNothingInEitherMode) {
  std::vector<unsigned char> noise(300000);
  std::mt19937 random(11);
  for (auto& b : noise) b = static_cast<unsigned char>(random());
  const std::string input = root_.Write("in/noise.ppt", noise);
  ToolResult r = Run({"--no-office", "--json", "--output", Out(), input});
  EXPECT_EQ(r.exit_status, 1) << r.err;
  EXPECT_EQ(JsonQuery(r.out, "[x['mode'] for x in d['files'][0]['runs']]"), "['fast', 'standard']")
      << "auto goes on with the standard mode when the fast one lists no slide";
  EXPECT_EQ(JsonQuery(r.out, "[x['output_folder'] for x in d['files'][0]['runs']]"), "[None, None]")
      << "folders that got nothing are removed, and no folder is left inside another";
  EXPECT_TRUE(FilesBelow(Out()).empty());
  EXPECT_NE(r.err.find("no presentation could be recovered"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nothing recovered"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Repairing completed"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(input), noise);
}

TEST_F(ToolTest, TraceIsWrittenOnlyWhenAskedFor) {
  const std::string input = SampleCopy();
  ASSERT_EQ(Run({"--mode", "standard", "--no-office", "--output", Out(), input}).exit_status, 0);
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "no trace without --trace";

  const std::string trace = root_.File("trace.log");
  ASSERT_EQ(Run({"--mode", "standard", "--no-office", "--trace", trace, "--output", Out(), input})
                .exit_status,
            0);
  const std::vector<unsigned char> bytes = ReadAll(trace);
  std::string narrow;  // UTF-16LE without a byte-order mark; the text here is ASCII
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    narrow += static_cast<char>(bytes[i]);
    EXPECT_EQ(bytes[i + 1], 0) << "at " << i;
  }
  EXPECT_EQ(narrow.rfind(input + "\r\nSUCC 0001\r\nSUCC 0003\r\n", 0), 0u) << narrow.substr(0, 200);
  EXPECT_NE(narrow.find("SUCC 0008\r\n"), std::string::npos);
  EXPECT_NE(narrow.find("SUCC 00100\r\n"), std::string::npos);
}

TEST_F(ToolTest, CtrlCStopsTheRunAndRemovesTheWorkspace) {
  // A large input (sparse: cheap to make) that begins with the sample.
  const std::string input = SampleCopy("large.ppt");
  ASSERT_EQ(::truncate(input.c_str(), off_t{64} << 20), 0);
  ToolProcess tool(Call({"--mode", "standard", "--no-office", "--json", "--output", Out(), input}));
  // Signal once the run is under way (the picture extraction has started).
  for (int i = 0; i < 6000 && tool.ErrSoFar().find("Extracting images...") == std::string::npos;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::string workspace = root_.File("tmp/vlxTemp-" + std::to_string(tool.pid()));
  tool.Signal(SIGINT);
  ToolResult r = tool.Wait();
  EXPECT_EQ(r.exit_status, 130) << r.err;
  EXPECT_EQ(JsonQuery(r.out, "d['files'][0]['runs'][0]['stopped'], d['exit_status']"),
            "(True, 130)");
  EXPECT_NE(r.err.find("User aborted repairing process"), std::string::npos);
  struct stat st {};
  EXPECT_NE(::stat(workspace.c_str(), &st), 0) << "workspace removed";
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
  EXPECT_FALSE(IsFile(OutFile("sample.Rec/RecSlide.ppt")))
      << "a stopped standard run saves nothing";
}

TEST_F(ToolTest, CorpusFilesWithTheirHeaderZeroedGoThroughEveryMode) {
  VLX_REQUIRE_CORPUS();
  for (const char* name : {"basic_test_ppt_file.ppt", "ppt_with_png.ppt", "54880_chinese.ppt",
                           "Single_Coloured_Page.ppt"}) {
    std::vector<unsigned char> bytes = ReadAll(CorpusPath(std::string("healthy/") + name));
    ASSERT_GT(bytes.size(), 512u) << name;
    std::fill(bytes.begin(), bytes.begin() + 512, 0);
    const std::string input = root_.Write(std::string("in/") + name, bytes);
    ToolResult r = Run({"--no-office", "--json", "--output", Out(), input});
    EXPECT_EQ(r.exit_status, 0) << name << "\n" << r.err;
    EXPECT_EQ(JsonQuery(r.out, "d['files'][0]['runs'][0]['saved_presentation'] is not None"),
              "True")
        << name;
    EXPECT_EQ(ReadAll(input), bytes) << name;
  }
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
}

// With the office of this machine (skipped when the tool has none).
class ToolWithOfficeTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    if (Run({"--version"}).out.find("office: LibreOffice") == std::string::npos) {
      GTEST_SKIP() << "vlxrecover was built without the office backend";
    }
    if (::access("/usr/lib/libreoffice/program/soffice.bin", X_OK) != 0 &&
        std::getenv("VLX_OFFICE_PROGRAM") == nullptr) {
      GTEST_SKIP() << "no LibreOffice installed (soffice.bin)";
    }
  }
};

TEST_F(ToolWithOfficeTest, AutoModeEndsWithSlideThumbnailsAndAPresentation) {
  ToolResult r = Run({"--json", "--output", Out(), SampleCopy()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const std::string last = "d['files'][0]['runs'][-1]";
  EXPECT_EQ(JsonQuery(r.out, "len(" + last + "['slides']) >= 3"), "True") << r.out;
  EXPECT_EQ(JsonQuery(r.out, last + "['saved_presentation'] is not None"), "True");
  const std::string first_thumbnail = JsonQuery(r.out, last + "['slides'][0]['thumbnail']");
  const std::vector<unsigned char> jpeg = ReadAll(first_thumbnail);
  ASSERT_GE(jpeg.size(), 3u) << first_thumbnail;
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(JsonQuery(r.out, last + "['critical_errors']"), "[]");
}

TEST_F(ToolWithOfficeTest, ListingTheMastersStopsAtTheChoiceAndNamesThePreviews) {
  ToolResult r =
      Run({"--mode", "standard", "--list-masters", "--json", "--output", Out(), SampleCopy()});
  ASSERT_EQ(r.exit_status, 0) << r.err;
  const std::string run = "d['files'][0]['runs'][0]";
  EXPECT_EQ(JsonQuery(r.out, run + "['saved_presentation'], " + run + "['slides']"), "(None, [])")
      << "nothing is rebuilt";
  EXPECT_EQ(JsonQuery(r.out, run + "['master_candidates'][0]['number']"), "1") << r.out;
  const std::string master = JsonQuery(r.out, run + "['master_candidates'][0]['thumbnail']");
  EXPECT_EQ(master.rfind(OutFile("sample.Rec/Masters/"), 0), 0u) << master;
  EXPECT_TRUE(IsFile(master));
  EXPECT_EQ(JsonQuery(r.out, run + "['critical_errors']"), "[]");
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "workspace and office profile removed";
}

}  // namespace
}  // namespace vlx::testing
