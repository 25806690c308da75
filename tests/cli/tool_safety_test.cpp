// The tool against an attacker's or an unlucky user's inputs: a trace path that is the
// input, a FIFO, signals, leftovers of killed runs, empty and encrypted files, escape
// codes in names. The input is never changed and nothing is left in the temp folder.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tool_process.h"

namespace vlx::testing {
namespace {

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

class ToolSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"tmp", "cwd", "out", "in"}) ::mkdir(root_.File(sub).c_str(), 0700);
  }
  ToolCall Call(std::vector<std::string> args) const {
    return IsolatedToolCall(root_.path(), std::move(args));
  }
  ToolResult Run(std::vector<std::string> args) const { return RunTool(Call(std::move(args))); }
  std::string Input(const std::string& name, const std::vector<unsigned char>& bytes) const {
    return root_.Write("in/" + name, bytes);
  }
  std::string Out() const { return root_.File("out"); }

  // A large input (sparse) that begins with the sample, so a run lasts long enough to
  // be signalled; returns the tool once its picture extraction has started.
  std::unique_ptr<ToolProcess> StartLongRun() const {
    const std::string input = Input("large.ppt", ReadAll(kSample));
    if (::truncate(input.c_str(), off_t{256} << 20) != 0) return nullptr;
    auto tool = std::make_unique<ToolProcess>(
        Call({"--mode", "standard", "--no-office", "--json", "--output", Out(), input}));
    for (int i = 0; i < 6000 && tool->ErrSoFar().find("Extracting images...") == std::string::npos;
         ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return tool;
  }

  TempDir root_;
};

TEST_F(ToolSafetyTest, ATraceFileThatIsTheInputIsRefusedAndTheInputKept) {
  const std::vector<unsigned char> bytes = ReadAll(kSample);
  const std::string input = Input("x.ppt", bytes);
  ToolResult r = Run({"--no-office", "--trace", input, "--output", Out(), input});
  EXPECT_EQ(r.exit_status, 2) << r.err;
  EXPECT_NE(r.err.find("is the input"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(input), bytes);
  // Through another name of the same file, too.
  ASSERT_EQ(::link(input.c_str(), root_.File("in/alias.log").c_str()), 0);
  EXPECT_EQ(Run({"--no-office", "--trace", root_.File("in/alias.log"), input}).exit_status, 2);
  EXPECT_EQ(ReadAll(input), bytes);
}

TEST_F(ToolSafetyTest, AFifoIsRefusedAtOnceWithStatusTwo) {
  const std::string fifo = root_.File("in/pipe.ppt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ToolProcess tool(Call({"--no-office", "--output", Out(), fifo}));
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 1000 && (ended = ::waitpid(tool.pid(), &status, WNOHANG)) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (ended == 0) {
    tool.Signal(SIGKILL);
    FAIL() << "the tool blocked on a FIFO";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_TRUE(FilesBelow(Out()).empty());
}

TEST_F(ToolSafetyTest, SigtermAndSighupStopTheRunLikeCtrlC) {
  for (int signal : {SIGTERM, SIGHUP}) {
    auto tool = StartLongRun();
    ASSERT_TRUE(tool);
    tool->Signal(signal);
    ToolResult r = tool->Wait();
    EXPECT_EQ(r.exit_status, 130) << signal << "\n" << r.err;
    EXPECT_NE(r.err.find("User aborted repairing process"), std::string::npos) << r.err;
    EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
  }
}

TEST_F(ToolSafetyTest, ASecondSignalEndsAtOnceAndStillRemovesTheWorkspace) {
  auto tool = StartLongRun();
  ASSERT_TRUE(tool);
  tool->Signal(SIGINT);
  tool->Signal(SIGINT);
  ToolResult r = tool->Wait();
  EXPECT_EQ(r.exit_status, 130) << r.err;
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
  for (const std::string& name : FilesBelow(root_.File("tmp")))
    ADD_FAILURE() << "left in the temp folder: " << name;
}

TEST_F(ToolSafetyTest, WorkspacesOfKilledRunsAreSweptAtStart) {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string leftover = root_.File("tmp/vlxTemp-" + std::to_string(dead) + "-Ab12Cd");
  ::mkdir(leftover.c_str(), 0700);
  root_.Write("tmp/vlxTemp-" + std::to_string(dead) + "-Ab12Cd/vlxpicfile",
              std::vector<unsigned char>(1000, 1));
  const std::string input = Input("x.ppt", ReadAll(kSample));
  EXPECT_EQ(Run({"--mode", "standard", "--no-office", "--output", Out(), input}).exit_status, 0);
  EXPECT_FALSE(Exists(leftover));
}

TEST_F(ToolSafetyTest, AnEmptyFileIsNothingToRecoverAndMakesNoFolder) {
  ToolResult r = Run({"--no-office", "--output", Out(), Input("empty.ppt", {})});
  EXPECT_EQ(r.exit_status, 1) << r.err;
  EXPECT_NE(r.err.find("empty"), std::string::npos) << r.err;
  EXPECT_FALSE(Exists(root_.File("out/Rec")));
}

TEST_F(ToolSafetyTest, EscapeCodesInANameNeverReachTheTerminal) {
  const std::string input = Input("evil\x1b]2;owned\x07\x1b[2J.ppt", ReadAll(kSample));
  ToolResult r = Run({"--mode", "standard", "--no-office", "--output", Out(), input});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err.find('\x07'), std::string::npos);
  EXPECT_NE(r.err.find("evil?]2;owned??[2J.ppt"), std::string::npos) << r.err;
}

TEST_F(ToolSafetyTest, AnEncryptedPresentationIsSaidToBeEncrypted) {
  std::vector<unsigned char> bytes = ReadAll(kSample);
  // The encryption container (version 0xF, type 0x2F14) with version 4.2 information.
  const unsigned char container[] = {0x0F, 0x00, 0x14, 0x2F, 0x40, 0x00, 0x00, 0x00,
                                     0x04, 0x00, 0x02, 0x00, 0x24, 0x00, 0x00, 0x00};
  std::copy(std::begin(container), std::end(container), bytes.begin() + 100000);
  ToolResult r =
      Run({"--mode", "standard", "--no-office", "--output", Out(), Input("locked.ppt", bytes)});
  EXPECT_NE(r.err.find("The file is encrypted"), std::string::npos) << r.err;
  ToolResult plain = Run({"--mode", "standard", "--no-office", "--output", Out(),
                          Input("plain.ppt", ReadAll(kSample))});
  EXPECT_EQ(plain.err.find("encrypted"), std::string::npos) << plain.err;
}

}  // namespace
}  // namespace vlx::testing
