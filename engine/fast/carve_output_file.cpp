#include "engine/fast/carve_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vlx {
namespace {
constexpr size_t kCopyChunk = 64 * 1024;
}  // namespace

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool OutputFile::Create(const std::string& path, mode_t mode) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd_ < 0) {
    Fail(std::string("cannot create: ") + std::strerror(errno));
    return false;
  }
  writer_.emplace(fd_, 0);
  return true;
}

void OutputFile::Fail(const std::string& what) {
  if (error_.empty()) error_ = path_ + ": " + what;
}

void OutputFile::Write(const void* data, size_t count) {
  if (writer_ && !writer_->Put(data, count)) Fail(writer_->error());
}

bool OutputFile::Close() {
  if (fd_ < 0) return false;
  if (!writer_->Flush()) Fail(writer_->error());
  if (::close(fd_) != 0) Fail(std::string("cannot close: ") + std::strerror(errno));
  fd_ = -1;
  writer_.reset();
  return error_.empty();
}

bool CopyTailToFile(DamagedFile& source, uint64_t from, const std::string& target, mode_t mode,
                    std::string* error) {
  OutputFile out;
  uint64_t at = from;
  if (out.Create(target, mode)) {
    while (at < source.GetLength()) {
      size_t available = 0;
      const uint8_t* data = source.View(at, kCopyChunk, &available);
      if (data == nullptr || available == 0) break;
      out.Write(data, available);
      at += available;
    }
  }
  const bool written = out.Close();
  if (written && at >= source.GetLength()) return true;
  if (error != nullptr)
    *error = written ? source.path() + ": the file ended early while it was copied" : out.error();
  return false;
}

}  // namespace vlx
