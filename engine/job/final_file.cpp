#include "engine/job/final_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"

namespace vlx {
namespace {

std::string PartName(const std::string& final_path) {
  static std::atomic<unsigned> counter{0};
  return final_path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

FinalFile::FinalFile(std::string final_path, mode_t mode)
    : final_path_(std::move(final_path)), part_path_(PartName(final_path_)) {
  fd_ = CreateForWriting(part_path_, mode, /*exclusive=*/true);
  failed_ = fd_ < 0;
}

FinalFile::~FinalFile() {
  if (!committed_) Discard();
}

void FinalFile::Discard() {
  if (fd_ >= 0) Files().Close(fd_);
  fd_ = -1;
  if (!committed_) ::unlink(part_path_.c_str());
  failed_ = true;
}

bool FinalFile::Write(const void* data, size_t count) {
  if (failed_) return false;
  if (!WriteAll(fd_, data, count, final_path_)) Discard();
  return !failed_;
}

bool FinalFile::Commit() {
  if (failed_ || committed_) return committed_;
  const int fd = fd_;
  fd_ = -1;
  if (!SyncAndClose(fd, final_path_)) {
    Discard();
    return false;
  }
  if (Files().Rename(part_path_.c_str(), final_path_.c_str()) != 0) {
    NoteFailedCall(final_path_, errno);
    Discard();
    return false;
  }
  committed_ = true;
  return true;
}

bool WriteIntoPlace(const std::string& final_path,
                    const std::function<bool(const std::string& part_path)>& write) {
  const std::string part = PartName(final_path);
  if (!write(part)) {
    ::unlink(part.c_str());
    return false;
  }
  if (Files().Rename(part.c_str(), final_path.c_str()) != 0) {
    NoteFailedCall(final_path, errno);
    ::unlink(part.c_str());
    return false;
  }
  return true;
}

bool CopyToFinalFile(const std::string& source, const std::string& target) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return false;
  FinalFile out(target);
  std::vector<char> buffer(size_t{1} << 16);
  bool read_ok = true;
  while (out.ok()) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) read_ok = false;
    if (n <= 0) break;
    out.Write(buffer.data(), static_cast<size_t>(n));
  }
  ::close(in);
  return read_ok && out.Commit();
}

}  // namespace vlx
