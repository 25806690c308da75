#include "engine/scan/file_range_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vlx {
namespace {

constexpr size_t kPiece = size_t{1} << 20;

bool WriteAll(int fd, const uint8_t* data, size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

RangeCopyResult CopyFileRange(DamagedFile& source, uint64_t from, uint64_t count,
                              const std::string& target) {
  const int fd =
      ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return RangeCopyResult::kNotCreated;
  bool written = true;
  const uint64_t end = std::min(from + count, source.GetLength());
  for (uint64_t at = from; written && at < end;) {
    size_t available = 0;
    const uint8_t* data =
        source.View(at, static_cast<size_t>(std::min<uint64_t>(kPiece, end - at)), &available);
    if (data == nullptr || available == 0) break;
    written = WriteAll(fd, data, available);
    at += available;
  }
  if (::close(fd) != 0) written = false;
  return written ? RangeCopyResult::kWritten : RangeCopyResult::kIncomplete;
}

}  // namespace vlx
