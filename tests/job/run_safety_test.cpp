// What a run must never do to the user's files or let others do through it: follow a
// planted link, share an output folder, delete a file it did not write, crash when
// the input shrinks, hang on a FIFO, leave a half-written result.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "engine/job/damaged_file.h"
#include "engine/job/file_calls.h"
#include "engine/job/final_file.h"
#include "engine/job/leftover_sweep.h"
#include "engine/job/output_folder.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"
#include "engine/job/write_failure.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::TempDir;

bool Exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

TEST(OutputFolderClaimTest, FilesAndLinksAtTheNameAreSkippedNeverUsed) {
  TempDir dir;
  TempDir elsewhere;
  dir.Write("Rec", {1, 2, 3});
  ASSERT_EQ(::symlink(elsewhere.path().c_str(), dir.File("1Rec").c_str()), 0);
  ASSERT_EQ(::symlink("/nonexistent-target", dir.File("2Rec").c_str()), 0);
  const std::string folder = CreateOutputFolder(dir.path(), "Rec");
  EXPECT_EQ(folder, dir.File("3Rec/"));
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("3Rec").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(ReadAll(dir.File("Rec")), (std::vector<unsigned char>{1, 2, 3}));
}

TEST(OutputFolderClaimTest, RunsClaimingAtOnceNeverShareAFolder) {
  TempDir dir;
  std::vector<std::future<std::string>> claims;
  for (int i = 0; i < 8; ++i) {
    claims.push_back(std::async(std::launch::async, [&] {
      std::string folder;
      for (int k = 0; k < 8; ++k) folder += CreateOutputFolder(dir.path(), "Rec") + "|";
      return folder;
    }));
  }
  std::multiset<std::string> all;
  for (auto& c : claims) {
    const std::string list = c.get();
    for (size_t at = 0, bar; (bar = list.find('|', at)) != std::string::npos; at = bar + 1)
      all.insert(list.substr(at, bar - at));
  }
  EXPECT_EQ(all.size(), 64u);
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 64u) << "a folder was shared";
}

TEST(OutputFolderClaimTest, AFolderThatCannotBeMadeIsReportedNotUsed) {
  TempDir dir;
  TakeWriteFailure();
  std::string why;
  EXPECT_EQ(CreateOutputFolder(dir.File("missing/deeper"), "Rec", &why), "");
  EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
  EXPECT_TRUE(TakeWriteFailure().has_value());
}

TEST(WorkspaceSafetyTest, FreshWorkspacesHaveUnguessableNamesOfTheirOwn) {
  const Workspace a = Workspace::Fresh();
  const Workspace b = Workspace::Fresh();
  EXPECT_NE(a.path(), b.path());
  EXPECT_EQ(a.path().rfind(Workspace::SystemTempPath() + Workspace::PerProcessName() + "-", 0), 0u);
  struct stat st {};
  ASSERT_EQ(::lstat(a.path().substr(0, a.path().size() - 1).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(a.Create()) << "an existing workspace of ours is fine";
  EXPECT_TRUE(a.Delete());
  EXPECT_TRUE(b.Delete());
}

TEST(WorkspaceSafetyTest, ALinkAtTheNameIsRefusedEvenToAFolderOfOurs) {
  TempDir dir;
  TempDir target;
  ASSERT_EQ(::symlink(target.path().c_str(), dir.File("ws").c_str()), 0);
  std::string why;
  EXPECT_FALSE(Workspace::At(dir.File("ws")).Create(&why));
  EXPECT_NE(why.find("link"), std::string::npos) << why;
  EXPECT_TRUE(Exists(target.path())) << "the link's target is left alone";
}

TEST(LeftoverSweepTest, RemovesOnlyThisUsersWorkspacesOfDeadProcesses) {
  TempDir temp;
  TempDir outside;
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string dead_stem = "vlxTemp-" + std::to_string(dead);
  ::mkdir(temp.File(dead_stem + "-abc123").c_str(), 0700);
  temp.Write(dead_stem + "-abc123/vlxpicfile", {1});
  ::mkdir(temp.File(dead_stem).c_str(), 0700);
  const std::string live = "vlxTemp-" + std::to_string(::getpid()) + "-live";
  ::mkdir(temp.File(live).c_str(), 0700);
  outside.Write("keep", {7});
  ASSERT_EQ(::symlink(outside.path().c_str(), temp.File(dead_stem + "-link").c_str()), 0);
  ::mkdir(temp.File("vlxTemp-notapid").c_str(), 0700);

  EXPECT_EQ(SweepDeadRunWorkspaces(temp.path()), 2);
  EXPECT_FALSE(Exists(temp.File(dead_stem + "-abc123")));
  EXPECT_FALSE(Exists(temp.File(dead_stem)));
  EXPECT_TRUE(Exists(temp.File(live)));
  EXPECT_TRUE(Exists(temp.File(dead_stem + "-link")));
  EXPECT_TRUE(Exists(outside.File("keep")));
  EXPECT_TRUE(Exists(temp.File("vlxTemp-notapid")));
}

TEST(DamagedFileSafetyTest, AFileCutShortWhileReadIsAReportedErrorNotACrash) {
  TempDir dir;
  const std::string path = dir.Write("shrinks.ppt", std::vector<unsigned char>(12 << 20, 0x5A));
  auto file = DamagedFile::Open(path);
  ASSERT_TRUE(file);
  std::vector<unsigned char> buffer(4096);
  EXPECT_EQ(file->ReadAt(0, buffer.data(), buffer.size()), buffer.size());
  ASSERT_EQ(::truncate(path.c_str(), 1 << 20), 0);
  try {
    file->ReadAt(10 << 20, buffer.data(), buffer.size());
    ADD_FAILURE() << "a read inside the opened length that found no bytes passed silently";
  } catch (const InputReadError& e) {
    EXPECT_NE(std::string(e.what()).find("became shorter"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST(DamagedFileSafetyTest, AFifoIsRefusedAtOnceInsteadOfBlocking) {
  TempDir dir;
  const std::string fifo = dir.File("input.ppt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto opening = std::async(std::launch::async, [&] {
    std::string why;
    return std::make_pair(DamagedFile::Open(fifo, &why) != nullptr, why);
  });
  if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "opening a FIFO blocked";
    const int writer = ::open(fifo.c_str(), O_WRONLY);  // lets the blocked open go on
    opening.wait();
    ::close(writer);
    return;
  }
  const auto [opened, why] = opening.get();
  EXPECT_FALSE(opened);
  EXPECT_NE(why.find("not a regular file"), std::string::npos) << why;
}

TEST(TraceRemovalTest, OnlyAnOldTraceIsRemovedNeverAnotherFile) {
  TempDir dir;
  TraceLog old_trace(dir.File("trace.log"), true);
  old_trace.Trace("/some/input.ppt\r\n");
  old_trace.Checkpoint(1);
  old_trace.Remove();
  EXPECT_FALSE(Exists(dir.File("trace.log")));

  const std::vector<unsigned char> presentation = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  TraceLog at_input(dir.Write("x.ppt", presentation), true);
  at_input.Remove();
  EXPECT_EQ(ReadAll(dir.File("x.ppt")), presentation);
  TraceLog at_text(dir.Write("notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'}), true);
  at_text.Remove();
  EXPECT_TRUE(Exists(dir.File("notes.txt")));
}

// Fails every write after the first `allowed` bytes with ENOSPC, like a full disk.
class FullDisk : public FileCalls {
 public:
  explicit FullDisk(size_t allowed) : left_(allowed) {}
  ssize_t Write(int fd, const void* data, size_t count) override {
    if (left_ == 0) {
      errno = ENOSPC;
      return -1;
    }
    const size_t take = std::min(left_, count);
    left_ -= take;
    return FileCalls::Write(fd, data, take);
  }

 private:
  size_t left_;
};

TEST(FinalFileTest, AResultAppearsWholeOrNotAtAll) {
  TempDir dir;
  const std::vector<unsigned char> content(200000, 0x42);
  const std::string source = dir.Write("source", content);
  EXPECT_TRUE(CopyToFinalFile(source, dir.File("RecSlide.ppt")));
  EXPECT_EQ(ReadAll(dir.File("RecSlide.ppt")), content);

  TakeWriteFailure();
  FullDisk disk(100000);
  UseFileCalls(&disk);
  const bool copied = CopyToFinalFile(source, dir.File("Other.ppt"));
  UseFileCalls(nullptr);
  EXPECT_FALSE(copied);
  EXPECT_FALSE(Exists(dir.File("Other.ppt")));
  const std::optional<std::string> failure = TakeWriteFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(*failure, dir.File("Other.ppt") + ": No space left on device");
  for (const char* name : {"source", "RecSlide.ppt"}) EXPECT_TRUE(Exists(dir.File(name)));
  EXPECT_EQ(::rmdir(dir.path().c_str()), -1);
  // Nothing else is left in the folder: no part file.
  size_t entries = 0;
  if (DIR* d = ::opendir(dir.path().c_str())) {
    while (dirent* e = ::readdir(d)) entries += e->d_name[0] == '.' ? 0 : 1;
    ::closedir(d);
  }
  EXPECT_EQ(entries, 2u);
}

}  // namespace
}  // namespace vlx
