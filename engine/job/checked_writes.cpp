#include "engine/job/checked_writes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/job/file_calls.h"
#include "engine/job/write_failure.h"

namespace vlx {

bool NoteFailedCall(const std::string& path, int error_number) {
  NoteWriteFailure(path + ": " + std::strerror(error_number));
  errno = error_number;
  return false;
}

int CreateForWriting(const std::string& path, mode_t mode, bool exclusive) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
  const int fd = Files().Open(path.c_str(), flags, mode);
  if (fd < 0) NoteFailedCall(path, errno);
  return fd;
}

bool WriteAll(int fd, const void* data, size_t count, const std::string& path) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const ssize_t n = Files().Write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return NoteFailedCall(path, n < 0 ? errno : ENOSPC);
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteAllAt(int fd, const void* data, size_t count, uint64_t offset, const std::string& path) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const ssize_t n = Files().PWrite(fd, bytes, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return NoteFailedCall(path, n < 0 ? errno : ENOSPC);
    bytes += n;
    count -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool SyncAndClose(int fd, const std::string& path) {
  if (Files().Fsync(fd) != 0) {
    const int saved = errno;
    Files().Close(fd);
    return NoteFailedCall(path, saved);
  }
  return CloseChecked(fd, path);
}

bool CloseChecked(int fd, const std::string& path) {
  if (Files().Close(fd) != 0 && errno != EINTR) return NoteFailedCall(path, errno);
  return true;
}

}  // namespace vlx
