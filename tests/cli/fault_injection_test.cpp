// Fault injection in the manner of SQLite's: every create, write, sync, close, folder and
// rename of a whole run fails once in turn, and each time the run must say so, end with
// a non-zero status, leave nothing half-written under a result's name and remove its
// workspace.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "automation/testing/scripted_office.h"
#include "cli/fallback_image_toolkit.h"
#include "cli/file_recovery.h"
#include "cli/master_chooser.h"
#include "engine/format/template_records.h"
#include "engine/job/file_calls.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

enum class Call { kOpen, kWrite, kFsync, kClose, kMkdir, kRename };

const char* CallName(Call call) {
  switch (call) {
    case Call::kOpen:
      return "open";
    case Call::kWrite:
      return "write";
    case Call::kFsync:
      return "fsync";
    case Call::kClose:
      return "close";
    case Call::kMkdir:
      return "mkdir";
    case Call::kRename:
      return "rename";
  }
  return "?";
}

// Counts the calls of a run; fails the one numbered fail_at (0-based) with the error a
// full disk or a failing device gives for it. A run makes calls from two threads (the
// fast mode assembles while the pictures are extracted), so which call comes at a
// number may change from run to run: failed_kind() tells the one that failed.
class OneFailingCall : public FileCalls {
 public:
  explicit OneFailingCall(long fail_at = -1) : fail_at_(fail_at) {}

  int Open(const char* path, int flags, mode_t mode) override {
    if (Hit(Call::kOpen, ENOSPC)) return -1;
    return FileCalls::Open(path, flags, mode);
  }
  ssize_t Write(int fd, const void* data, size_t count) override {
    if (Hit(Call::kWrite, ENOSPC)) return -1;
    return FileCalls::Write(fd, data, count);
  }
  ssize_t PWrite(int fd, const void* data, size_t count, off_t offset) override {
    if (Hit(Call::kWrite, ENOSPC)) return -1;
    return FileCalls::PWrite(fd, data, count, offset);
  }
  int Fsync(int fd) override {
    if (Hit(Call::kFsync, EIO)) return -1;
    return FileCalls::Fsync(fd);
  }
  int Close(int fd) override {
    if (Hit(Call::kClose, EIO)) {
      FileCalls::Close(fd);  // the descriptor is gone either way, as on Linux
      errno = EIO;
      return -1;
    }
    return FileCalls::Close(fd);
  }
  int Mkdir(const char* path, mode_t mode) override {
    if (Hit(Call::kMkdir, ENOSPC)) return -1;
    return FileCalls::Mkdir(path, mode);
  }
  int Rename(const char* from, const char* to) override {
    if (Hit(Call::kRename, ENOSPC)) return -1;
    return FileCalls::Rename(from, to);
  }

  long calls() const { return count_; }
  const std::vector<Call>& kinds() const { return kinds_; }
  bool failed() const { return failed_; }
  Call failed_kind() const { return failed_kind_; }

 private:
  bool Hit(Call call, int error) {
    std::lock_guard lock(mutex_);
    kinds_.push_back(call);
    if (count_++ != fail_at_) return false;
    failed_ = true;
    failed_kind_ = call;
    errno = error;
    return true;
  }

  std::mutex mutex_;
  Call failed_kind_ = Call::kOpen;

  long fail_at_;
  long count_ = 0;
  bool failed_ = false;
  std::vector<Call> kinds_;
};

// Every regular file below folder, by path relative to it.
void FilesBelow(const std::string& folder, const std::string& prefix,
                std::map<std::string, std::vector<unsigned char>>* out) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      FilesBelow(path, prefix + name + "/", out);
    } else {
      (*out)[prefix + name] = ReadAll(path);
    }
  }
  ::closedir(dir);
}

bool LooksLikeWholeCompoundFile(const std::vector<unsigned char>& bytes) {
  static const unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return bytes.size() >= 1536 && bytes.size() % 512 == 0 &&
         std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin());
}

struct RunOutcome {
  cli::FileReport report;
  std::string printed;
  std::map<std::string, std::vector<unsigned char>> results;
  bool workspace_left = false;
};

// One whole tool run of a mode on the sample, in a folder of its own, with the calls.
RunOutcome RunTool(RecoveryMode mode, FileCalls& calls) {
  testing::TempDir root;
  RunOutcome outcome;
  std::FILE* out = std::tmpfile();
  {
    cli::ConsoleSink sink(out, false);
    TraceLog trace(root.File("trace.log"), false);
    StopFlag stop{false};
    Workspace workspace = Workspace::At(root.File("work"));
    cli::FallbackImageToolkit images;
    testing::ScriptedOffice office;
    office.SetSlideCount(workspace.File("finpicfile"), 3);
    cli::MasterChooser chooser(1, false);
    TemplateRecords templates = PristineTemplates();
    cli::ToolServices services{sink, trace, stop, workspace, images, templates};
    services.office = &office;
    services.master_chooser = &chooser;
    cli::CommandLine line;
    line.mode = mode;
    ::mkdir(root.File("out").c_str(), 0755);
    UseFileCalls(&calls);
    outcome.report = cli::RecoverFile(line, root.File("out/"), kSample, services);
    UseFileCalls(nullptr);
    outcome.workspace_left = ::access(root.File("work").c_str(), F_OK) == 0;
  }
  std::rewind(out);
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
    outcome.printed.append(buffer, n);
  std::fclose(out);
  FilesBelow(root.File("out"), "", &outcome.results);
  return outcome;
}

class FaultInjectionTest : public ::testing::TestWithParam<RecoveryMode> {};

TEST_P(FaultInjectionTest, EveryFailingCallEndsTheRunReportedAndLeavesNoHalfResult) {
  OneFailingCall counting;
  const RunOutcome clean = RunTool(GetParam(), counting);
  ASSERT_EQ(clean.report.exit_status, cli::kExitRecovered) << clean.printed;
  ASSERT_FALSE(clean.results.empty());
  ASSERT_GT(counting.calls(), 10) << "the run's files do not go through the file layer";

  std::map<Call, int> tried;
  for (long i = 0; i < counting.calls(); ++i) {
    OneFailingCall failing(i);
    const RunOutcome run = RunTool(GetParam(), failing);
    ASSERT_TRUE(failing.failed());
    const Call kind = failing.failed_kind();
    SCOPED_TRACE(std::string("failing call ") + std::to_string(i) + " (" + CallName(kind) + ")");
    ++tried[kind];
    EXPECT_NE(run.report.exit_status, cli::kExitRecovered) << run.printed;
    const char* reason = kind == Call::kFsync || kind == Call::kClose ? "Input/output error"
                                                                      : "No space left on device";
    EXPECT_NE(run.printed.find(reason), std::string::npos) << run.printed;
    EXPECT_NE(run.report.error.find(reason), std::string::npos) << run.report.error;
    EXPECT_FALSE(run.workspace_left);
    for (const auto& [name, bytes] : run.results) {
      EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
      const auto same = clean.results.find(name);
      const bool identical = same != clean.results.end() && same->second == bytes;
      EXPECT_TRUE(identical || (name.ends_with(".ppt") && LooksLikeWholeCompoundFile(bytes)))
          << name << " is half-written\n"
          << run.printed;
    }
  }
  for (const auto& [kind, count] : tried)
    std::printf("%s mode: %-6s failed %d times, every run survived\n",
                GetParam() == RecoveryMode::kFast ? "fast" : "standard", CallName(kind), count);
}

// The fast mode assembles and lets the office export while the pictures are
// extracted; what it reports still follows the pictures' reports, in its own order.
TEST(FastRunOrderTest, TheAssemblyRunAheadReportsAfterThePictures) {
  OneFailingCall none;
  const RunOutcome run = RunTool(RecoveryMode::kFast, none);
  ASSERT_EQ(run.report.exit_status, cli::kExitRecovered) << run.printed;
  const std::vector<std::string> in_order = {"Repairing file <<",    "Extracting images...",
                                             "Recovered Image 1",    "Extracting images done...",
                                             "Analyzing Phase 1...", "Analyzing Phase 4...",
                                             "Check of the",         "Checking integrity...",
                                             "Recovering Slides...", "Recovered Slide 1",
                                             "Saving complete...",   "Recovery: ",
                                             "Repairing completed"};
  size_t at = 0;
  for (const std::string& text : in_order) {
    const size_t found = run.printed.find(text, at);
    ASSERT_NE(found, std::string::npos) << text << " missing or out of order\n" << run.printed;
    at = found + text.size();
  }
  EXPECT_FALSE(run.workspace_left);
}

INSTANTIATE_TEST_SUITE_P(BothModes, FaultInjectionTest,
                         ::testing::Values(RecoveryMode::kStandard, RecoveryMode::kFast));

}  // namespace
}  // namespace vlx
