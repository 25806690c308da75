// An office that dies or hangs during a call: the call fails, the next Application gets
// a fresh office, and no office outlives the program.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "automation/libreoffice/office_pipe_sockets.h"
#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_profile.h"
#include "tests/office/office_test_support.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

using testing::ProcessRuns;

constexpr const char* kSample = "healthy/basic_test_ppt_file.ppt";

std::shared_ptr<office::Slides> OpenSample(LibreOfficeServer& server) {
  auto app = server.CreateApplication(office::kProgId);
  return app->GetPresentations()->Open(CorpusPath(kSample), 0, 0, 0)->GetSlides();
}

// Waits (at most 5 s) until every thread of the process has stopped: a stop signal takes
// effect thread by thread, and a call made before the last one stops may still be answered.
bool WaitUntilStopped(int pid) {
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (int attempt = 0; attempt < 500; ++attempt) {
    bool all_stopped = true;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
      std::FILE* stat = std::fopen((task.path() / "stat").c_str(), "r");
      if (stat == nullptr) continue;
      char line[512] = {};
      const size_t read = std::fread(line, 1, sizeof line - 1, stat);
      std::fclose(stat);
      // The state follows the parenthesised command name.
      const char* close = std::strrchr(line, ')');
      const char state = close != nullptr && close + 2 < line + read ? close[2] : '?';
      if (state != 'T' && state != 't') all_stopped = false;
    }
    if (error) return false;
    if (all_stopped) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class OfficeFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VLX_REQUIRE_OFFICE();
    VLX_REQUIRE_CORPUS();
  }
};

TEST_F(OfficeFaultTest, CallFailsWhenTheOfficeIsKilledAndTheNextApplicationWorks) {
  LibreOfficeServer server;
  auto slides = OpenSample(server);
  const int pid = server.OfficePid();
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGSTOP);  // holds the next call inside the office
  auto pending = std::async(std::launch::async, [&] { return slides->Count(); });
  ::kill(pid, SIGKILL);
  EXPECT_THROW(pending.get(), office::AutomationError);
  EXPECT_THROW(slides->Count(), office::AutomationError);

  auto fresh = OpenSample(server);
  EXPECT_NE(server.OfficePid(), pid);
  EXPECT_EQ(fresh->Count(), 2);
}

TEST_F(OfficeFaultTest, WatchdogEndsAnOfficeThatStopsAnswering) {
  LibreOfficeServer server({.call_limit = std::chrono::milliseconds(300)});
  auto slides = OpenSample(server);
  const int pid = server.OfficePid();
  ::kill(pid, SIGSTOP);
  if (!WaitUntilStopped(pid)) {
    ::kill(pid, SIGKILL);
    FAIL() << "the office did not stop";
  }
  auto pending = std::async(std::launch::async, [&] { return slides->Count(); });
  // The front end's once-a-second tick, faster here; bounded so a broken watchdog
  // fails the test instead of hanging it.
  for (int tick = 0; tick < 600; ++tick) {
    if (pending.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) break;
    server.OnPowerPointWatchdogTimer();
  }
  if (pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    ::kill(pid, SIGKILL);
    FAIL() << "the watchdog did not end the stopped office";
  }
  try {
    pending.get();
    ::kill(pid, SIGKILL);  // a stopped office left behind would hang the next open
    FAIL() << "the blocked call reported success";
  } catch (const office::AutomationError& error) {
    EXPECT_NE(std::string(error.what()).find("did not answer"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(ProcessRuns(pid));
  EXPECT_EQ(OpenSample(server)->Count(), 2);
}

// Run only as a child of the test below: starts an office and vanishes without any
// clean-up, as a crashing program would.
TEST(OfficeExitHelper, DISABLED_StartOfficeAndVanish) {
  LibreOfficeServer* server = new LibreOfficeServer();
  auto app = server->CreateApplication(office::kProgId);
  std::printf("office-pid=%d owner=%d\n", server->OfficePid(), static_cast<int>(::getpid()));
  for (const std::string& path : lo::PipeSocketsOf(server->OfficePid()))
    std::printf("socket=%s\n", path.c_str());
  std::fflush(stdout);
  std::_Exit(0);
}

TEST_F(OfficeFaultTest, NoOfficeOutlivesAProgramThatVanishes) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string command = self +
                              " --gtest_also_run_disabled_tests"
                              " --gtest_filter=OfficeExitHelper.DISABLED_StartOfficeAndVanish";
  FILE* child = ::popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  int office = 0;
  int owner = 0;
  std::vector<std::string> sockets;  // the single-instance one among them
  char line[512];
  while (std::fgets(line, sizeof line, child) != nullptr) {
    std::sscanf(line, "office-pid=%d owner=%d", &office, &owner);
    const std::string text = line;
    if (text.starts_with("socket=")) sockets.push_back(text.substr(7, text.size() - 8));
  }
  ::pclose(child);
  ASSERT_GT(office, 0) << "the helper started no office";
  for (int i = 0; i < 500 && ProcessRuns(office); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(ProcessRuns(office)) << "the office outlived its program";
  // The last of its threads lets go of its sockets a moment after it is reported gone.
  const auto bound = [&] {
    return std::any_of(sockets.begin(), sockets.end(), lo::SocketPathIsBound);
  };
  for (int i = 0; i < 250 && bound(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  // Its private folder stays behind until the next program of ours sweeps it away.
  const std::string folder = lo::OfficeRootFolder(owner);
  EXPECT_TRUE(testing::FileExists(folder));
  lo::RemoveStaleOfficeFolders();
  EXPECT_FALSE(testing::FileExists(folder));
  const std::string pipes =
      "OSL_PIPE_" + std::to_string(::getuid()) + "_vlx_" + std::to_string(owner) + "_";
  for (const auto& entry : std::filesystem::directory_iterator("/tmp")) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(pipes)) << entry.path();
  }
  EXPECT_FALSE(sockets.empty()) << "the helper's office held no pipe socket";
  for (const std::string& socket : sockets) EXPECT_FALSE(testing::FileExists(socket)) << socket;
}

}  // namespace
}  // namespace vlx
