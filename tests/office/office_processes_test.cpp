// Finding and ending this program's office processes, and starting them so that they
// die with the program.

#include "automation/libreoffice/office_processes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "automation/libreoffice/child_launcher.h"
#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_process_table.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/job/messages.h"
#include "tests/office/office_test_support.h"
#include "tests/support/recording_sink.h"

namespace vlx {
namespace {

using lo::OfficeProcess;
using testing::ProcessRuns;
using testing::TempDir;

std::string ProfileOption(pid_t owner) {
  return "-env:UserInstallation=file://" + lo::OfficeRootFolder(owner) + "office-1/profile";
}

TEST(ProfileOwnerTest, ReadsOnlyOurProfileOption) {
  EXPECT_EQ(lo::ProfileOwnerFromArgument(
                "-env:UserInstallation=file:///tmp/vlxOffice-4711/office-2/profile"),
            4711);
  EXPECT_EQ(lo::ProfileOwnerFromArgument(ProfileOption(::getpid())), ::getpid());
  for (const char* other : {"-env:UserInstallation=file:///tmp/other/profile",
                            "-env:UserInstallation=file:///tmp/vlxOffice-12x/profile",
                            "-env:UserInstallation=file:///tmp/vlxOffice-/profile",
                            "-env:UserInstallation=file:///tmp/vlxOffice-0/profile",
                            "-env:UserInstallation=file:///tmp/vlxOffice-77",
                            "-env:UserInstallation=/tmp/vlxOffice-77/profile",
                            "--accept=pipe,name=/vlxOffice-77/", "soffice.bin"}) {
    EXPECT_FALSE(lo::ProfileOwnerFromArgument(other).has_value()) << other;
  }
}

// A /proc look-alike: pid folders with stat and NUL-separated cmdline files.
class FakeProcTree {
 public:
  void Add(int pid, const std::string& stat, const std::vector<std::string>& args) {
    const std::string dir = temp_.File(std::to_string(pid));
    std::filesystem::create_directory(dir);
    std::ofstream(dir + "/stat") << stat;
    std::ofstream cmdline(dir + "/cmdline", std::ios::binary);
    for (const std::string& arg : args) cmdline << arg << '\0';
  }
  std::string root() const { return temp_.path(); }

 private:
  TempDir temp_;
};

TEST(OfficeProcessTableTest, FindsOurOfficesByProfileOptionOnly) {
  FakeProcTree proc;
  proc.Add(100, "100 (soffice.bin) S 4711 100 100 0", {"/x/soffice.bin", ProfileOption(4711)});
  // A command name with blanks and parentheses must not shift the fields.
  proc.Add(101, "101 (a) b (c) R 1 99 99", {"odd", "--headless", ProfileOption(4711)});
  proc.Add(102, "102 (soffice.bin) S 1 102 102",
           {"soffice.bin", "-env:UserInstallation=file:///tmp/mine"});
  proc.Add(103, "103 (soffice.bin) S 1 103 103", {"soffice.bin"});
  std::filesystem::create_directory(proc.root() + "self");

  auto found = lo::FindOfficeProcesses(proc.root());
  std::sort(found.begin(), found.end(),
            [](const OfficeProcess& a, const OfficeProcess& b) { return a.pid < b.pid; });
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].pid, 100);
  EXPECT_EQ(found[0].parent, 4711);
  EXPECT_EQ(found[0].group, 100);
  EXPECT_EQ(found[0].owner, 4711);
  EXPECT_EQ(found[1].pid, 101);
  EXPECT_EQ(found[1].parent, 1);
  EXPECT_EQ(found[1].group, 99);
}

TEST(OfficeProcessTableTest, OwnAndOrphanedOfficesBelongToUsOtherInstancesDoNot) {
  const pid_t self = 500;
  EXPECT_TRUE(lo::BelongsToThisProgram({.pid = 1, .parent = self, .owner = self}, self));
  EXPECT_TRUE(lo::BelongsToThisProgram({.pid = 2, .parent = 1, .owner = 600}, self));
  EXPECT_FALSE(lo::BelongsToThisProgram({.pid = 3, .parent = 600, .owner = 600}, self));
}

TEST(OfficeProcessTableTest, EndingGivesUpOnAProcessThatWillNotGo) {
  FakeProcTree proc;
  // An entry that stays whatever is sent to it; a pid far above any in use.
  proc.Add(4194000, "4194000 (soffice.bin) S 1 4194000 4194000",
           {"soffice.bin", ProfileOption(::getpid())});
  EXPECT_EQ(lo::EndOwnOfficeProcesses(std::chrono::milliseconds(50), proc.root()), 0);
}

// True while a process of the group runs (zombies waiting to be reaped do not count).
bool GroupHasLiveMembers(pid_t group) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto bytes = testing::ReadAll(entry.path().string() + "/stat");
    const std::string stat(bytes.begin(), bytes.end());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    long process_group = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld %ld", &state, &parent, &process_group) ==
            3 &&
        process_group == group && state != 'Z') {
      return true;
    }
  }
  return false;
}

// A stand-in office: a shell that sleeps, carrying our profile option in its command
// line, started the way the real office is.
class StandInOffices : public ::testing::Test {
 protected:
  void SetUp() override { TerminatePowerPoint(); }
  void TearDown() override { TerminatePowerPoint(); }

  pid_t Start() {
    lo::LaunchRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", "sleep 60; :", ProfileOption(::getpid())};
    request.output_path = "/dev/null";
    std::string error;
    const pid_t pid = launcher_.Launch(request, &error);
    EXPECT_GT(pid, 0) << error;
    // The office counts once its command line is in place (after exec).
    for (int i = 0; i < 500 && !IsFound(pid); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(IsFound(pid));
    return pid;
  }
  static bool IsFound(pid_t pid) {
    for (const OfficeProcess& p : lo::FindOwnOfficeProcesses()) {
      if (p.pid == pid) return true;
    }
    return false;
  }

  lo::ChildLauncher launcher_;
};

TEST_F(StandInOffices, CheckAsksOnlyWhenOneRunsAndEndsThemOnYes) {
  testing::RecordingSink sink;
  EXPECT_TRUE(CheckPowerPointRunning(sink));
  EXPECT_TRUE(sink.messages.empty());

  const pid_t first = Start();
  const pid_t second = Start();
  sink.answer = kAnswerNo;
  EXPECT_FALSE(CheckPowerPointRunning(sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text,
            "PowerPoint event is running , do you want to close it and proceed further ");
  EXPECT_EQ(sink.messages[0].caption, kMessageCaption);
  EXPECT_EQ(sink.messages[0].style, kStyleYesNoWarning);
  EXPECT_EQ(sink.messages[0].owner, MessageOwner::kView);
  EXPECT_EQ(sink.maximised, 1);
  EXPECT_TRUE(ProcessRuns(first));
  EXPECT_TRUE(ProcessRuns(second));

  sink.answer = kAnswerYes;
  EXPECT_TRUE(CheckPowerPointRunning(sink));
  EXPECT_FALSE(ProcessRuns(first));
  EXPECT_FALSE(ProcessRuns(second));
  EXPECT_TRUE(lo::FindOwnOfficeProcesses().empty());
}

TEST_F(StandInOffices, TerminateEndsTheWholeProcessGroup) {
  const pid_t office = Start();
  TerminatePowerPoint();
  EXPECT_FALSE(ProcessRuns(office));
  // The sleeping child of the stand-in went with it.
  EXPECT_FALSE(GroupHasLiveMembers(office));
}

TEST_F(StandInOffices, ChildOutlivesTheThreadThatAskedForIt) {
  pid_t office = 0;
  std::thread short_lived([&] { office = Start(); });
  short_lived.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(ProcessRuns(office)) << "the child died with the worker thread that started it";
}

}  // namespace
}  // namespace vlx
