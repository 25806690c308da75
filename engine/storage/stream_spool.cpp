#include "engine/storage/stream_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"

namespace vlx {
namespace {

bool Fail(std::string* error, const std::string& what) {
  const int saved = errno;
  if (error != nullptr) *error = what + ": " + std::strerror(saved);
  return NoteFailedCall(what, saved);
}

}  // namespace

StreamSpool::StreamSpool(std::string spool_folder) : spool_folder_(std::move(spool_folder)) {}

StreamSpool::~StreamSpool() {
  if (fd_ >= 0) ::close(fd_);
}

void StreamSpool::Clear() {
  memory_.clear();
  memory_.shrink_to_fit();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

bool StreamSpool::MoveToFile(std::string* error) {
  std::string pattern = spool_folder_;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += ".vlxspool-XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot create a spool file in " + spool_folder_);
  ::unlink(pattern.c_str());
  size_t done = 0;
  while (done < memory_.size()) {
    const ssize_t n =
        Files().PWrite(fd, memory_.data() + done, memory_.size() - done, static_cast<off_t>(done));
    if (n <= 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return Fail(error, "cannot write the spool file");
    }
    done += static_cast<size_t>(n);
  }
  fd_ = fd;
  memory_.clear();
  memory_.shrink_to_fit();
  return true;
}

bool StreamSpool::WriteAt(uint64_t offset, const void* data, size_t count, std::string* error) {
  if (count == 0) return true;
  const uint64_t end = offset + count;
  if (fd_ < 0 && end > kMemoryLimit && !MoveToFile(error)) return false;
  if (fd_ < 0) {
    if (memory_.size() < end) memory_.resize(end, 0);
    std::memcpy(memory_.data() + offset, data, count);
  } else {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
      const ssize_t n =
          Files().PWrite(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(error, "cannot write the spool file");
      done += static_cast<size_t>(n);
    }
  }
  if (end > size_) size_ = end;
  return true;
}

bool StreamSpool::ReadAt(uint64_t offset, void* data, size_t count, std::string* error) const {
  if (offset > size_ || count > size_ - offset) {
    if (error != nullptr) *error = "read past the end of a stream";
    return false;
  }
  if (fd_ < 0) {
    if (count > 0) std::memcpy(data, memory_.data() + offset, count);
    return true;
  }
  auto* bytes = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(error, "cannot read the spool file");
    if (n == 0) {  // a hole at the end of a sparse spool: zeros
      std::memset(bytes + done, 0, count - done);
      break;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace vlx
