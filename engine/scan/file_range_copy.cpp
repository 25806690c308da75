#include "engine/scan/file_range_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vlx {
namespace {
constexpr size_t kPiece = size_t{1} << 20;
}  // namespace

DirectOutputFile::DirectOutputFile(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600)) {
  failed_ = fd_ < 0;
}

DirectOutputFile::~DirectOutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void DirectOutputFile::Write(const uint8_t* data, size_t count) {
  while (!failed_ && count > 0) {
    const ssize_t n = ::write(fd_, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    data += n;
    count -= static_cast<size_t>(n);
  }
}

bool DirectOutputFile::Close() {
  if (fd_ >= 0) {
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    closed_ = true;
  }
  return !failed_;
}

RangeCopyResult CopyFileRange(DamagedFile& source, uint64_t from, uint64_t count,
                              const std::string& target) {
  DirectOutputFile out(target);
  if (!out.created()) return RangeCopyResult::kNotCreated;
  const uint64_t end = std::min(from + count, source.GetLength());
  for (uint64_t at = from; at < end;) {
    size_t available = 0;
    const uint8_t* data =
        source.View(at, static_cast<size_t>(std::min<uint64_t>(kPiece, end - at)), &available);
    if (data == nullptr || available == 0) break;
    out.Write(data, available);
    at += available;
  }
  return out.Close() ? RangeCopyResult::kWritten : RangeCopyResult::kIncomplete;
}

}  // namespace vlx
