#include "engine/fast/carve_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/final_file.h"
#include "engine/job/write_failure.h"

namespace vlx {
namespace {
constexpr size_t kCopyChunk = 64 * 1024;
}  // namespace

OutputFile::~OutputFile() {
  if (fd_ >= 0) Files().Close(fd_);
}

bool OutputFile::Create(const std::string& path, mode_t mode) {
  path_ = path;
  fd_ = CreateForWriting(path, mode);
  if (fd_ < 0) {
    Fail(std::string("cannot create: ") + std::strerror(errno));
    return false;
  }
  writer_.emplace(fd_, 0);
  return true;
}

void OutputFile::Fail(const std::string& what) {
  if (error_.empty()) error_ = path_ + ": " + what;
  NoteWriteFailure(error_);
}

void OutputFile::Write(const void* data, size_t count) {
  if (writer_ && !writer_->Put(data, count)) Fail(writer_->error());
}

bool OutputFile::Close() {
  if (fd_ < 0) return false;
  if (!writer_->Flush()) Fail(writer_->error());
  if (!CloseChecked(fd_, path_)) Fail(std::string("cannot close: ") + std::strerror(errno));
  fd_ = -1;
  writer_.reset();
  return error_.empty();
}

bool CopyTailToFile(DamagedFile& source, uint64_t from, const std::string& target, mode_t mode,
                    std::string* error) {
  // Under a temporary name until it is whole: the target may be a result file.
  FinalFile out(target, mode);
  uint64_t at = from;
  while (out.ok() && at < source.GetLength()) {
    size_t available = 0;
    const uint8_t* data = source.View(at, kCopyChunk, &available);
    if (data == nullptr || available == 0) break;
    out.Write(data, available);
    at += available;
  }
  const bool complete = out.ok() && at >= source.GetLength();
  if (complete && out.Commit()) return true;
  if (error != nullptr) {
    *error = out.ok() && !complete ? source.path() + ": the file ended early while it was copied"
                                   : target + ": " + std::strerror(errno);
  }
  return false;
}

}  // namespace vlx
