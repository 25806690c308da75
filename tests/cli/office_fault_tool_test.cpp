// The tool with the real office when the office fails under it: missing, killed in the
// middle of a run. Each run ends within its bound, says what was lost, exits 3 and
// leaves no office process, profile folder or pipe socket.

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

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
    std::ifstream in("/proc/" + std::string(entry->d_name) + "/cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(in)), {});
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

class OfficeFaultToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"tmp", "cwd", "out"}) ::mkdir(root_.File(sub).c_str(), 0700);
    if (RunTool(Call({"--version"})).out.find("office: LibreOffice") == std::string::npos)
      GTEST_SKIP() << "vlxrecover was built without the office backend";
  }
  ToolCall Call(std::vector<std::string> args) const {
    ToolCall call;
    call.args = std::move(args);
    call.working_folder = root_.File("cwd");
    call.env = {{"TMPDIR", root_.File("tmp")}, {"VLX_TRACE_LOG", ""}};
    call.capture_folder = root_.path();
    return call;
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

TEST_F(OfficeFaultToolTest, AnOfficeKilledMidRunIsSaidAndLeavesNothingBehind) {
  if (::access("/usr/lib/libreoffice/program/soffice.bin", X_OK) != 0 &&
      std::getenv("VLX_OFFICE_PROGRAM") == nullptr)
    GTEST_SKIP() << "no LibreOffice installed (soffice.bin)";
  ToolProcess tool(Call({"--mode", "standard", "--output", root_.File("out"), kSample}));
  std::vector<pid_t> offices;
  for (int i = 0; i < 6000 && offices.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (tool.ErrSoFar().find("Office in use") != std::string::npos) offices = OfficesOf(tool.pid());
  }
  ASSERT_FALSE(offices.empty()) << tool.ErrSoFar();
  for (pid_t pid : offices) ::kill(pid, SIGKILL);
  const auto killed = std::chrono::steady_clock::now();
  ToolResult r = tool.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(120));
  EXPECT_EQ(r.exit_status, 3) << r.err;
  EXPECT_NE(r.err.find("The office failed during the run"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("missing"), std::string::npos) << r.err;
  EXPECT_TRUE(OfficesOf(tool.pid()).empty()) << "an office outlived the run";
  EXPECT_FALSE(OurPipeLeft(tool.pid()));
  EXPECT_TRUE(FilesBelow(root_.File("tmp")).empty()) << "workspace and office profile removed";
}

}  // namespace
}  // namespace vlx::testing
