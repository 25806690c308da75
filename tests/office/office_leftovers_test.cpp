// The pipe sockets an office leaves when its program is killed are removed from the
// list kept in its private folder: only sockets of this user, under the office's pipe
// prefix, that nothing listens on any more.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "automation/libreoffice/office_pipe_sockets.h"
#include "automation/libreoffice/office_process_ender.h"
#include "automation/libreoffice/office_profile.h"
#include "engine/job/folder_tree.h"
#include "tests/office/office_test_support.h"

namespace vlx {
namespace {

using testing::FileExists;

// A unix socket bound at path; listening (kept open) or closed at once, which leaves
// the file behind as a killed office does.
class BoundSocket {
 public:
  BoundSocket(const std::string& path, bool keep_listening) : path_(path) {
    ::unlink(path.c_str());
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (keep_listening) {
      ::listen(fd_, 1);
    } else {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~BoundSocket() {
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
  }
  bool bound() const { return bound_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
};

std::string PipePath(const std::string& what) {
  return "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_vlxtest_" + what + "_" +
         std::to_string(::getpid());
}

TEST(OfficeLeftoversTest, OnlyListedDeadSocketsOfOursAreRemoved) {
  testing::TempDir root;
  const std::string office = root.path() + "office-1-abcdef/";
  std::filesystem::create_directories(office);
  BoundSocket dead(PipePath("dead"), false);
  BoundSocket live(PipePath("live"), true);
  BoundSocket elsewhere(root.path() + "elsewhere.sock", false);
  ASSERT_TRUE(dead.bound() && live.bound() && elsewhere.bound());
  const std::string plain = PipePath("plain");
  std::ofstream(plain) << "not a socket";
  lo::RecordPipeSockets(office, {PipePath("dead"), PipePath("live"), plain,
                                 root.path() + "elsewhere.sock", PipePath("never-made")});

  // A list reached through a link is not anyone's list of ours.
  testing::TempDir other;
  BoundSocket planted(PipePath("planted"), false);
  lo::RecordPipeSockets(other.path(), {PipePath("planted")});
  std::filesystem::create_directory_symlink(other.path(), root.path() + "office-2-linked");

  EXPECT_TRUE(lo::SocketPathIsBound(PipePath("live")));
  EXPECT_FALSE(lo::SocketPathIsBound(PipePath("dead")));
  int removed = 0;
  EXPECT_FALSE(lo::RemoveRecordedPipeSockets(root.path(), &removed)) << "one is still in use";
  EXPECT_EQ(removed, 1);
  EXPECT_FALSE(FileExists(PipePath("dead")));
  EXPECT_TRUE(FileExists(PipePath("live"))) << "a socket a live process listens on stays";
  EXPECT_TRUE(FileExists(plain)) << "a file that is no socket stays";
  EXPECT_TRUE(FileExists(root.path() + "elsewhere.sock")) << "only office pipe paths";
  EXPECT_TRUE(FileExists(PipePath("planted")));
  ::unlink(plain.c_str());
}

TEST(OfficeLeftoversTest, ANewerListReplacesTheOlderWhole) {
  testing::TempDir root;
  const std::string office = root.path() + "office-1-abcdef/";
  std::filesystem::create_directories(office);
  BoundSocket first(PipePath("first"), false);
  BoundSocket second(PipePath("second"), false);
  lo::RecordPipeSockets(office, {PipePath("first")});
  lo::RecordPipeSockets(office, {PipePath("second")});
  EXPECT_FALSE(FileExists(office + "sockets.part"));
  int removed = 0;
  EXPECT_TRUE(lo::RemoveRecordedPipeSockets(root.path(), &removed));
  EXPECT_EQ(removed, 1);
  EXPECT_TRUE(FileExists(PipePath("first")));
  EXPECT_FALSE(FileExists(PipePath("second")));
}

// The pid of a process that has ended (and was reaped).
pid_t GonePid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(OfficeLeftoversTest, TheSweepOfAGoneProgramWaitsForItsSocketsToBeFree) {
  const pid_t owner = GonePid();
  const std::string root = lo::OfficeRootFolder(owner);
  const std::string office = root + "office-1-abcdef/";
  std::filesystem::create_directories(office);
  auto listening = std::make_unique<BoundSocket>(PipePath("held"), true);
  BoundSocket left(PipePath("left"), false);
  lo::RecordPipeSockets(office, {PipePath("held"), PipePath("left")});

  lo::RemoveStaleOfficeFolders();
  EXPECT_FALSE(FileExists(PipePath("left")));
  EXPECT_TRUE(FileExists(PipePath("held")));
  EXPECT_TRUE(FileExists(office + "sockets")) << "the list stays while a socket is in use";

  // The socket's last holder lets go of it without removing the file, as a killed
  // office does; the next sweep takes the socket and the folder.
  const std::string held = PipePath("held");
  listening.reset();
  BoundSocket stale(held, false);
  lo::RemoveStaleOfficeFolders();
  EXPECT_FALSE(FileExists(held));
  EXPECT_FALSE(FileExists(root));
  DeleteFolderTree(root);
}

}  // namespace
}  // namespace vlx
