#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/format/text_encoding.h"
#include "engine/job/damaged_file.h"
#include "engine/job/folder_tree.h"
#include "engine/job/output_folder.h"
#include "engine/job/read_window_buffer.h"
#include "engine/job/workspace.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::TempDir;

bool Exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

TEST(DamagedFileTest, ShortReadZeroFillsInsteadOfKeepingOldBytes) {
  TempDir dir;
  std::vector<unsigned char> content(3000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<unsigned char>(i * 7 + 1);
  auto file = DamagedFile::Open(dir.Write("f", content));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->GetLength(), 3000u);
  std::vector<unsigned char> buffer(512, 0xAA);
  file->Seek(0);
  EXPECT_EQ(file->Read(buffer.data(), 512), 512u);
  file->Seek(2900);
  EXPECT_EQ(file->Read(buffer.data(), 512), 100u);
  for (size_t i = 0; i < 100; ++i) ASSERT_EQ(buffer[i], content[2900 + i]);
  for (size_t i = 100; i < 512; ++i) ASSERT_EQ(buffer[i], 0) << i;
  file->Seek(5000);
  EXPECT_EQ(file->Read(buffer.data(), 16), 0u);
  EXPECT_EQ(buffer[0], 0);
}

TEST(DamagedFileTest, ReadsAcrossItsReadAheadWindowAndRefusesFolders) {
  TempDir dir;
  std::vector<unsigned char> content((3 << 20) + 77);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<unsigned char>(i ^ (i >> 9));
  auto file = DamagedFile::Open(dir.Write("big", content));
  ASSERT_TRUE(file);
  std::vector<unsigned char> buffer(2 << 20);
  const uint64_t start = (1 << 20) - 5;
  EXPECT_EQ(file->ReadAt(start, buffer.data(), buffer.size()), buffer.size());
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content.begin() + start));
  std::string why;
  EXPECT_EQ(DamagedFile::Open(dir.path(), &why), nullptr);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(DamagedFile::Open(dir.File("missing"), &why), nullptr);
}

// Reads of a mebibyte or more outside the window go straight into the caller's buffer:
// the bytes, the zeros past the end and the window's own bytes stay right around them.
TEST(DamagedFileTest, LargeReadsBesideTheWindowGiveTheFilesBytes) {
  TempDir dir;
  std::vector<unsigned char> content((6 << 20) + 123);
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<unsigned char>((i * 131) ^ (i >> 11));
  auto file = DamagedFile::Open(dir.Write("big", content));
  ASSERT_TRUE(file);
  size_t got = 0;
  ASSERT_NE(file->View(0, 16, &got), nullptr);  // the window now starts at 0

  std::vector<unsigned char> buffer(3 << 20, 0xAA);
  const uint64_t inside = (4 << 20) - 5;  // begins in the window, goes on past it
  EXPECT_EQ(file->ReadAt(inside, buffer.data(), buffer.size()), content.size() - inside);
  EXPECT_TRUE(std::equal(content.begin() + inside, content.end(), buffer.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + (content.size() - inside), buffer.end(),
                          [](unsigned char b) { return b == 0; }));

  // Large reads that begin in the window and end a little past it, or begin before it
  // and end inside it, after the window moved: each part comes from the right place.
  for (const uint64_t at :
       {uint64_t{(1 << 20) - 7}, uint64_t{(4 << 20) + 4000}, uint64_t{3 << 20}}) {
    ASSERT_NE(file->View((1 << 20) + 100, 16, &got), nullptr);
    std::vector<unsigned char> piece((1 << 20) + 333, 0xAA);
    ASSERT_EQ(file->ReadAt(at, piece.data(), piece.size()), piece.size());
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), content.begin() + static_cast<long>(at)))
        << at;
  }

  std::vector<unsigned char> small(64);
  EXPECT_EQ(file->ReadAt(1000, small.data(), small.size()), small.size());
  EXPECT_TRUE(std::equal(small.begin(), small.end(), content.begin() + 1000));

  const uint64_t near_end = content.size() - 100;
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  EXPECT_EQ(file->ReadAt(near_end, buffer.data(), 2 << 20), 100u);
  EXPECT_TRUE(std::equal(content.begin() + near_end, content.end(), buffer.begin()));
  EXPECT_EQ(buffer[100], 0);

  // Cut short by someone else: a large read says so instead of giving zeros as bytes.
  ASSERT_EQ(::truncate(dir.File("big").c_str(), 3 << 20), 0);
  EXPECT_THROW(file->ReadAt(5 << 20, buffer.data(), 1 << 20), InputReadError);
}

// Looks at scattered places (back, far ahead, near the end) mixed with runs that go on
// from them, as the table and directory reads of a salvage do: every view and read gives
// the file's bytes, and a view is never shorter than asked for inside the file.
// A window grows to what a fill asks, keeps its memory for smaller fills, and lays
// windows of huge-page size on huge-page boundaries; every byte it claims is usable
// (the sanitizers see a write past a short allocation).
TEST(ReadWindowBufferTest, GrowsToWhatAFillAsksOnHugePageBoundariesWhenLarge) {
  ReadWindowBuffer window;
  window.Reserve(100);
  ASSERT_GE(window.capacity(), 100u);
  std::fill(window.data(), window.data() + window.capacity(), 1);
  const uint8_t* small = window.data();
  window.Reserve(50);
  EXPECT_EQ(window.data(), small);

  const size_t huge_page = size_t{2} << 20;
  const size_t large = (4 << 20) + (64 << 10);
  window.Reserve(large);
  ASSERT_GE(window.capacity(), large);
  EXPECT_EQ(window.capacity() % huge_page, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(window.data()) % huge_page, 0u);
  std::fill(window.data(), window.data() + window.capacity(), 2);
  EXPECT_EQ(window.data()[window.capacity() - 1], 2);
}

TEST(DamagedFileTest, ScatteredViewsAndReadsGiveTheFilesBytesInFull) {
  TempDir dir;
  std::vector<unsigned char> content((9 << 20) + 321);
  for (size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<unsigned char>((i * 31) ^ (i >> 13));
  auto file = DamagedFile::Open(dir.Write("big", content));
  ASSERT_TRUE(file);
  const size_t mib = size_t{1} << 20;
  struct Look {
    uint64_t offset;
    size_t count;
  };
  const Look looks[] = {
      {8 * mib, 512},
      {100, 4096},
      {100 + 4096, 200 * 1024},  // on from a jump
      {5 * mib + 3, mib + 4096},
      {6 * mib + 3, mib + 4096},
      {7 * mib + 3, mib + 4096},
      {64, 70 * 1024},
      {9 * mib, 400},
      {3 * mib, 64 * 1024},
      {3 * mib + 64 * 1024, 64 * 1024},
      {2 * mib, 100 * 1024},
      {content.size() - 10, 4096},
  };
  for (const Look& look : looks) {
    SCOPED_TRACE(look.offset);
    const size_t inside =
        static_cast<size_t>(std::min<uint64_t>(look.count, content.size() - look.offset));
    size_t got = 0;
    const uint8_t* view = file->View(look.offset, look.count, &got);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(got, inside);
    EXPECT_TRUE(std::equal(view, view + got, content.begin() + static_cast<long>(look.offset)));

    std::vector<unsigned char> buffer(look.count, 0xAA);
    ASSERT_EQ(file->ReadAt(look.offset, buffer.data(), buffer.size()), inside);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<long>(inside),
                           content.begin() + static_cast<long>(look.offset)));
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(inside), buffer.end(),
                            [](unsigned char b) { return b == 0; }));
  }
}

TEST(DeleteFolderTreeTest, RemovesReadOnlyFilesAndNeverFollowsLinks) {
  TempDir outside;
  const std::string kept = outside.Write("kept", {'1'});
  TempDir dir;
  const std::string tree = dir.File("tree");
  ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((tree + "/sub").c_str(), 0700), 0);
  dir.Write("tree/sub/ro", {'x'});
  ::chmod((tree + "/sub/ro").c_str(), 0400);
  ASSERT_EQ(::symlink(outside.path().c_str(), (tree + "/link").c_str()), 0);
  EXPECT_TRUE(DeleteFolderTree(tree));
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(DeleteFolderTree(tree));  // already gone
}

// A second stop signal deletes the workspace while the run's threads still write into
// it; deleting in place lost that race now and then and left a file behind.
TEST(DeleteFolderTreeTest, AFolderStillWrittenIntoByPathIsGoneAfterwards) {
  TempDir dir;
  const std::string tree = dir.File("busy");
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
    std::atomic<bool> started{false}, done{false};
    std::thread writer([&] {
      for (int i = 0; !done; ++i) {
        const std::string name = tree + "/f" + std::to_string(i % 64);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
        started = true;
      }
    });
    while (!started) std::this_thread::yield();
    EXPECT_TRUE(DeleteFolderTreeInUse(tree)) << round;
    done = true;
    writer.join();
    EXPECT_FALSE(Exists(tree)) << round;
    EXPECT_FALSE(Exists(tree + "-ending")) << round;
  }
}

// The run's own threads make the workspace again when they find it gone (the fast mode
// does at its start): once it is deleted in use, that must fail, or the folder and what
// is written into it next outlive the process.
TEST(DeleteFolderTreeTest, AWorkspaceDeletedInUseIsNeverMadeAgain) {
  TempDir dir;
  for (int round = 0; round < 20; ++round) {
    const Workspace workspace = Workspace::At(dir.File("run" + std::to_string(round)));
    ASSERT_TRUE(workspace.Create());
    std::atomic<bool> started{false}, done{false};
    std::thread run([&] {
      for (int i = 0; !done; ++i) {
        if (workspace.Create()) {
          const int fd =
              ::open(workspace.File("vlxpicfile").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
          if (fd >= 0) ::close(fd);
        }
        started = true;
      }
    });
    while (!started) std::this_thread::yield();
    EXPECT_TRUE(workspace.DeleteInUse()) << round;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the run goes on a while
    done = true;
    run.join();
    EXPECT_FALSE(Exists(workspace.path())) << round;
    std::string why;
    EXPECT_FALSE(workspace.Create(&why)) << round;
    EXPECT_NE(why.find("ending"), std::string::npos);
  }
}

TEST(OutputFolderTest, NumbersTheFolderAndNestsLaterRuns) {
  TempDir dir;
  const std::string first = CreateOutputFolder(dir.path(), "Rec");
  EXPECT_EQ(first, dir.path() + "Rec/");
  EXPECT_EQ(CreateOutputFolder(dir.path(), "Rec"), dir.path() + "1Rec/");
  EXPECT_EQ(CreateOutputFolder(dir.path(), "Rec"), dir.path() + "2Rec/");
  // The next run's folder lies inside the previous one.
  EXPECT_EQ(CreateOutputFolder(first, "Rec"), first + "Rec/");
  EXPECT_TRUE(Exists(first + "Rec"));
  // An empty prefix stays inside the previous folder instead of naming the root.
  EXPECT_EQ(CreateOutputFolder(first, ""), first + "1/");
}

TEST(WorkspaceTest, CreatesOwnerOnlyAndRefusesAPlantedLink) {
  TempDir dir;
  Workspace ws = Workspace::At(dir.File("vlxTemp"));
  EXPECT_EQ(ws.path(), dir.File("vlxTemp/"));
  EXPECT_EQ(ws.File("docfile"), dir.File("vlxTemp/docfile"));
  ASSERT_TRUE(ws.Create());
  ASSERT_TRUE(ws.Create());  // an existing folder of ours is fine
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("vlxTemp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(ws.Delete());

  TempDir elsewhere;
  ASSERT_EQ(::symlink(elsewhere.path().c_str(), dir.File("planted").c_str()), 0);
  std::string why;
  EXPECT_FALSE(Workspace::At(dir.File("planted")).Create(&why));
  EXPECT_NE(why.find("refusing"), std::string::npos);
  EXPECT_NE(Workspace::PerProcessName(), "vlxTemp");
}

TEST(TextEncodingTest, RoundTripsEveryPlaneAndDecodesWindows1252) {
  const std::u16string mixed = u"Abc \u00e9\u4e2d\u6587 \u0391\u03b2 \u0416 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(mixed)), mixed);
  EXPECT_EQ(Windows1252ToUtf8("\x80\xe9"), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");  // lone surrogate
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(1, char16_t{0xFFFD}));      // overlong form
}

}  // namespace
}  // namespace vlx
