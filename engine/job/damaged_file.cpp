#include "engine/job/damaged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vlx {
namespace {
// The read-ahead window. The scans view the file in 1 MiB chunks reaching a few KiB past
// their end: one fill serves four of them whole, and only the bytes past the fourth are
// read again by the next fill.
constexpr size_t kWindowSize = (4 << 20) + (64 << 10);
constexpr size_t kDirectReadSize = 1 << 20;  // reads from this size bypass the window
// A read before the window, or far past its end, is a look at one place (a table sector,
// a directory, the first bytes of a stream): it is served by a window this small, and
// reads that go on from there fill the whole window again.
constexpr size_t kJumpWindowSize = 64 << 10;
}  // namespace

std::unique_ptr<DamagedFile> DamagedFile::Open(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) -> std::unique_ptr<DamagedFile> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return fail(path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(path + ": not a regular file");
  }
  const auto length = static_cast<uint64_t>(st.st_size);
  if (length > kMaxLength) {
    ::close(fd);
    return fail(path + ": files of 2 GiB or more are not supported");
  }
  return std::unique_ptr<DamagedFile>(new DamagedFile(fd, length, path));
}

DamagedFile::DamagedFile(int fd, uint64_t length, std::string path)
    : fd_(fd), length_(length), path_(std::move(path)) {
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

DamagedFile::~DamagedFile() {
  ::close(fd_);
}

void DamagedFile::ReadFully(uint64_t offset, uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw InputReadError(path_ + ": " + std::strerror(errno));
    if (n == 0) {
      // Fewer bytes than the length it was opened with: cut short by someone else.
      throw InputReadError(path_ + ": the file became shorter while it was read (" +
                           std::to_string(offset + done) + " of " + std::to_string(length_) +
                           " bytes left)");
    }
    done += static_cast<size_t>(n);
  }
}

bool DamagedFile::Fill(uint64_t offset, size_t minimum) {
  if (offset >= window_start_ && offset + minimum <= window_start_ + window_size_) return true;
  const uint64_t window_end = window_start_ + window_size_;
  const bool reads_on = offset >= window_start_ && offset <= window_end + kWindowSize;
  const size_t fill = reads_on ? kWindowSize : kJumpWindowSize;
  const size_t wanted =
      static_cast<size_t>(std::min<uint64_t>(std::max(fill, minimum), length_ - offset));
  window_.Reserve(wanted);
  window_start_ = offset;
  window_size_ = 0;
  ReadFully(offset, window_.data(), wanted);
  window_size_ = wanted;
  return window_size_ > 0;
}

const uint8_t* DamagedFile::View(uint64_t offset, size_t count, size_t* available) {
  *available = 0;
  if (offset >= length_ || count == 0) return nullptr;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, length_ - offset));
  // Views larger than the window get a window of their own size.
  if (!Fill(offset, wanted)) return nullptr;
  const size_t inside = static_cast<size_t>(offset - window_start_);
  *available = std::min(wanted, window_size_ - inside);
  return window_.data() + inside;
}

size_t DamagedFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  // A large read takes what the window holds of it from there and reads the rest
  // straight into the caller's buffer: the bytes are copied once, and the window keeps
  // what it holds instead of being filled for bytes that are read once.
  const bool large = count >= kDirectReadSize;
  size_t done = 0;
  while (done < count) {
    const uint64_t at = offset + done;
    const uint64_t window_end = window_start_ + window_size_;
    const bool in_window = at >= window_start_ && at < window_end;
    if (large && in_window) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(count - done, window_end - at));
      std::memcpy(out + done, window_.data() + (at - window_start_), piece);
      done += piece;
      continue;
    }
    if (large && at < length_) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(count - done, length_ - at));
      ReadFully(at, out + done, piece);
      done += piece;
      continue;
    }
    size_t available = 0;
    const size_t piece = std::min(count - done, kWindowSize);
    const uint8_t* data = View(offset + done, piece, &available);
    if (data == nullptr || available == 0) break;
    std::memcpy(out + done, data, available);
    done += available;
  }
  if (done < count) std::memset(out + done, 0, count - done);
  return done;
}

size_t DamagedFile::Read(void* buffer, size_t count) {
  const size_t n = ReadAt(position_, buffer, count);
  position_ += n;
  return n;
}

}  // namespace vlx
