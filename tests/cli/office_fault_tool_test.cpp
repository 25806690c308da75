// The tool with the real office when the office fails under it: missing, killed in the
// middle of a run, stopped mid-call. Each run ends within its bound, restarts the office
// once, says what was lost (exit 3) or that it made up for it, and leaves no office
// process, profile folder or pipe socket.

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "automation/libreoffice/libreoffice_server.h"
#ifdef VLX_TEST_WITH_OFFICE
#include "automation/libreoffice/office_pipe_sockets.h"
#endif
#include "tests/support/temp_dir.h"
#include "tool_process.h"

namespace vlx::testing {
namespace {

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

// Pids of the processes whose command line names the office profile of tool_pid.
std::vector<pid_t> OfficesOf(pid_t tool_pid) {
  const std::string marker = "vlxOffice-" + std::to_string(tool_pid) + "/";
  std::vector<pid_t> found;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return found;
  while (dirent* entry = ::readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid <= 0) continue;
    // A process may end while it is read: its command line then reads as empty.
    std::string cmdline;
    if (std::FILE* in =
            std::fopen(("/proc/" + std::string(entry->d_name) + "/cmdline").c_str(), "rb")) {
      char buffer[4096];
      size_t n = 0;
      while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) cmdline.append(buffer, n);
      std::fclose(in);
    }
    if (cmdline.find(marker) != std::string::npos) found.push_back(pid);
  }
  ::closedir(proc);
  return found;
}

bool OurPipeLeft(pid_t tool_pid) {
  const std::string prefix =
      "OSL_PIPE_" + std::to_string(::getuid()) + "_vlx_" + std::to_string(tool_pid) + "_";
  bool left = false;
  if (DIR* tmp = ::opendir("/tmp")) {
    while (dirent* entry = ::readdir(tmp))
      left = left || std::string(entry->d_name).rfind(prefix, 0) == 0;
    ::closedir(tmp);
  }
  return left;
}

// Whether a live socket is still bound to one of the paths.
bool AnyBound(const std::vector<std::string>& paths) {
#ifdef VLX_TEST_WITH_OFFICE
  return std::any_of(paths.begin(), paths.end(), lo::SocketPathIsBound);
#else
  (void)paths;
  return false;
#endif
}

bool AnyExists(const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (::access(path.c_str(), F_OK) == 0) return true;
  return false;
}

// Skips the calling test on a machine without an office program.
#define VLX_REQUIRE_OFFICE_PROGRAM()                                       \
  do {                                                                     \
    if (::access("/usr/lib/libreoffice/program/soffice.bin", X_OK) != 0 && \
        std::getenv("VLX_OFFICE_PROGRAM") == nullptr)                      \
      GTEST_SKIP() << "no LibreOffice installed (soffice.bin)";            \
  } while (0)

class OfficeFaultToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"tmp", "cwd", "out"}) ::mkdir(root_.File(sub).c_str(), 0700);
    if (RunTool(Call({"--version"})).out.find("office: LibreOffice") == std::string::npos)
      GTEST_SKIP() << "vlxrecover was built without the office backend";
  }
  ToolCall Call(std::vector<std::string> args) const {
    return IsolatedToolCall(root_.path(), std::move(args));
  }
  // No office of the run, none of its pipe sockets (the single-instance one among
  // them), no workspace or office profile outlives it.
  void ExpectNothingLeftBehind(const ToolProcess& tool, const std::vector<std::string>& sockets) {
    EXPECT_TRUE(OfficesOf(tool.pid()).empty()) << "an office outlived the run";
    EXPECT_FALSE(OurPipeLeft(tool.pid()));
    EXPECT_FALSE(AnyExists(sockets)) << "a socket of the office is left";
    EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "workspace and office profile removed";
  }
  TempDir root_;
};

TEST_F(OfficeFaultToolTest, AMissingOfficeIsSaidAndThePartialResultGetsStatusThree) {
  ToolCall call = Call({"--mode", "fast", "--output", root_.File("out"), kSample});
  call.env["VLX_OFFICE_PROGRAM"] = root_.File("no-such-office");
  const auto started = std::chrono::steady_clock::now();
  ToolResult r = RunTool(call);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  EXPECT_EQ(r.exit_status, 3) << r.err;
  EXPECT_NE(r.err.find("the office could not be started"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty());
}

// The first office the tool starts, once it has answered; empty after a minute, or when
// the run's office work was over before it was seen. Looked for often: a run's office work
// may last well under a second.
std::vector<pid_t> AwaitOffice(ToolProcess& tool) {
  std::vector<pid_t> offices;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (offices.empty() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const std::string err = tool.ErrSoFar();
    if (err.find("Office in use") == std::string::npos) continue;
    offices = OfficesOf(tool.pid());
    if (offices.empty() && err.find("Saving complete") != std::string::npos) break;
  }
  return offices;
}

// After one fault the office is restarted once: the run either made up for everything
// (status 0, and says it restarted) or says what it lost (status 3).
void ExpectRestartedOrPartial(const ToolResult& r) {
  ASSERT_TRUE(r.exit_status == 0 || r.exit_status == 3) << r.exit_status << r.err;
  if (r.exit_status == 0) {
    EXPECT_NE(r.err.find("The office was restarted after it failed"), std::string::npos) << r.err;
  } else {
    EXPECT_NE(r.err.find("The office failed during the run"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("partial"), std::string::npos) << r.err;
  }
}

// The pipe sockets the offices hold open (their own and the single-instance one).
std::vector<std::string> SocketsOf(const std::vector<pid_t>& offices) {
  std::vector<std::string> sockets;
#ifdef VLX_TEST_WITH_OFFICE
  for (pid_t pid : offices)
    for (const std::string& path : lo::PipeSocketsOf(pid)) sockets.push_back(path);
#else
  (void)offices;
#endif
  return sockets;
}

TEST_F(OfficeFaultToolTest, AnOfficeKilledMidRunIsRestartedOnceAndLeavesNothingBehind) {
  VLX_REQUIRE_OFFICE_PROGRAM();
  ToolProcess tool(
      Call({"--mode", "standard", "--master", "2", "--output", root_.File("out"), kSample}));
  const std::vector<pid_t> offices = AwaitOffice(tool);
  ASSERT_FALSE(offices.empty()) << tool.ErrSoFar();
  const std::vector<std::string> sockets = SocketsOf(offices);
  for (pid_t pid : offices) ::kill(pid, SIGKILL);
  const auto killed = std::chrono::steady_clock::now();
  ToolResult r = tool.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(120));
  ExpectRestartedOrPartial(r);
  EXPECT_NE(r.err.find("the office crashed"), std::string::npos) << r.err;
  EXPECT_FALSE(sockets.empty()) << "the office listens on its pipes";
  ExpectNothingLeftBehind(tool, sockets);
}

// An office stopped while a call is in flight never answers: the watchdog ends it once
// the call has blocked for the call limit (kOfficeCallLimit, shortened here to 2 s
// through VLX_OFFICE_CALL_LIMIT_MS), the run goes on on a restarted office and ends
// within that bound plus the run's own work.
TEST_F(OfficeFaultToolTest, AnOfficeStoppedMidCallIsEndedWithinTheCallLimit) {
  VLX_REQUIRE_OFFICE_PROGRAM();
  constexpr auto kCallLimit = std::chrono::milliseconds(2000);
  static_assert(kCallLimit < kOfficeCallLimit);
  constexpr auto kBound = kCallLimit + std::chrono::seconds(1 + 30);  // watchdog tick, the rest
  // The template rebuild of a found master keeps the office busy longer than the deck of
  // the file's own records.
  ToolCall call =
      Call({"--mode", "standard", "--master", "2", "--output", root_.File("out"), kSample});
  call.env["VLX_OFFICE_CALL_LIMIT_MS"] = std::to_string(kCallLimit.count());
  ToolProcess tool(call);
  const std::vector<pid_t> offices = AwaitOffice(tool);
  ASSERT_FALSE(offices.empty()) << tool.ErrSoFar();
  const std::vector<std::string> sockets = SocketsOf(offices);
  for (pid_t pid : offices) ::kill(pid, SIGSTOP);
  const auto stopped = std::chrono::steady_clock::now();
  ToolResult r = tool.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, kBound);
  ExpectRestartedOrPartial(r);
  EXPECT_NE(r.err.find("the office stopped responding"), std::string::npos) << r.err;
  for (pid_t pid : offices) EXPECT_NE(::kill(pid, 0), 0) << "the stopped office was ended";
  ExpectNothingLeftBehind(tool, sockets);
}

// A tool killed outright (SIGKILL: no handler, no destructor) takes its office with it
// but leaves its workspace, its office folder and the office's pipe sockets, the
// single-instance one among them; the next run of the same user removes them all.
TEST_F(OfficeFaultToolTest, WhatAKilledToolLeftIsSweptByTheNextRun) {
  VLX_REQUIRE_OFFICE_PROGRAM();
  ToolProcess tool(Call({"--mode", "standard", "--output", root_.File("out"), kSample}));
  const std::vector<pid_t> offices = AwaitOffice(tool);
  ASSERT_FALSE(offices.empty()) << tool.ErrSoFar();
  const std::vector<std::string> sockets = SocketsOf(offices);
  tool.Signal(SIGKILL);
  tool.Wait();
  for (int i = 0; i < 500 && !OfficesOf(tool.pid()).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(OfficesOf(tool.pid()).empty()) << "the office outlived its killed tool";
  ASSERT_FALSE(sockets.empty());
  EXPECT_TRUE(AnyExists(sockets)) << "nothing removed the sockets of the killed run";
  EXPECT_FALSE(FilesBelow(root_.File("tmp")).empty());

  // The office lets go of its sockets a moment after it has gone.
  for (int i = 0; i < 250 && AnyBound(sockets); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ToolResult next =
      RunTool(Call({"--no-office", "--mode", "standard", "--output", root_.File("out"), kSample}));
  EXPECT_TRUE(next.exit_status == 0 || next.exit_status == 1) << next.exit_status << next.err;
  EXPECT_FALSE(AnyExists(sockets)) << "a socket of the killed run's office is left";
  EXPECT_FALSE(OurPipeLeft(tool.pid()));
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "workspace and office folder swept";
}

// A normal run leaves none of the sockets its office listened on.
TEST_F(OfficeFaultToolTest, ANormalRunLeavesNoPipeSocket) {
  VLX_REQUIRE_OFFICE_PROGRAM();
  ToolProcess tool(Call({"--mode", "standard", "--output", root_.File("out"), kSample}));
  const std::vector<pid_t> offices = AwaitOffice(tool);
  ASSERT_FALSE(offices.empty()) << tool.ErrSoFar();
  const std::vector<std::string> sockets = SocketsOf(offices);
  ToolResult r = tool.Wait();
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_FALSE(sockets.empty());
  EXPECT_FALSE(AnyExists(sockets));
  EXPECT_FALSE(OurPipeLeft(tool.pid()));
}

}  // namespace
}  // namespace vlx::testing
