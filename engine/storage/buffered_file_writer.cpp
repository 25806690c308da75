#include "engine/storage/buffered_file_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/job/file_calls.h"

namespace vlx {
namespace {
constexpr size_t kBufferSize = size_t{1} << 16;
}

BufferedFileWriter::BufferedFileWriter(int fd, uint64_t start_offset)
    : fd_(fd), file_offset_(start_offset) {
  buffer_.reserve(kBufferSize);
}

bool BufferedFileWriter::Put(const void* data, size_t count) {
  if (!error_.empty()) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  // A piece of a buffer's size or more, with nothing gathered before it, is written
  // from where it lies.
  if (buffer_.empty() && count >= kBufferSize) {
    written_ += count;
    return WriteOut(bytes, count);
  }
  while (count > 0) {
    const size_t take = std::min(count, kBufferSize - buffer_.size());
    buffer_.insert(buffer_.end(), bytes, bytes + take);
    bytes += take;
    count -= take;
    written_ += take;
    if (buffer_.size() == kBufferSize && !Flush()) return false;
  }
  return true;
}

bool BufferedFileWriter::PutZeros(size_t count) {
  static const uint8_t kZeros[512] = {};
  while (count > 0) {
    const size_t take = std::min(count, sizeof kZeros);
    if (!Put(kZeros, take)) return false;
    count -= take;
  }
  return true;
}

bool BufferedFileWriter::PadTo(size_t unit) {
  const size_t rest = static_cast<size_t>(written_ % unit);
  return rest == 0 || PutZeros(unit - rest);
}

bool BufferedFileWriter::WriteOut(const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n =
        Files().PWrite(fd_, bytes + done, count - done, static_cast<off_t>(file_offset_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = std::string("cannot write the compound file: ") +
               (n < 0 ? std::strerror(errno) : "no space written");
      return false;
    }
    done += static_cast<size_t>(n);
    file_offset_ += static_cast<uint64_t>(n);
  }
  return true;
}

bool BufferedFileWriter::Flush() {
  if (!error_.empty()) return false;
  if (!WriteOut(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  return true;
}

}  // namespace vlx
