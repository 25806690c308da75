#include "engine/scan/file_range_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/final_file.h"

namespace vlx {
namespace {
constexpr size_t kPiece = size_t{1} << 20;
}  // namespace

DirectOutputFile::DirectOutputFile(const std::string& path)
    : path_(path), fd_(CreateForWriting(path, 0600)) {
  failed_ = fd_ < 0;
}

DirectOutputFile::~DirectOutputFile() {
  if (fd_ >= 0) Files().Close(fd_);
}

void DirectOutputFile::Write(const uint8_t* data, size_t count) {
  if (!failed_ && !WriteAll(fd_, data, count, path_)) failed_ = true;
}

bool DirectOutputFile::Close() {
  if (fd_ >= 0) {
    if (!CloseChecked(fd_, path_)) failed_ = true;
    fd_ = -1;
    closed_ = true;
  }
  return !failed_;
}

RangeCopyResult CopyFileRange(DamagedFile& source, uint64_t from, uint64_t count,
                              const std::string& target) {
  // Under a temporary name until it is whole: the target may be a picture of the
  // output folder.
  FinalFile out(target);
  if (!out.ok()) return RangeCopyResult::kNotCreated;
  const uint64_t end = std::min(from + count, source.GetLength());
  for (uint64_t at = from; at < end;) {
    size_t available = 0;
    const uint8_t* data =
        source.View(at, static_cast<size_t>(std::min<uint64_t>(kPiece, end - at)), &available);
    if (data == nullptr || available == 0) break;
    if (!out.Write(data, available)) break;
    at += available;
  }
  return out.Commit() ? RangeCopyResult::kWritten : RangeCopyResult::kIncomplete;
}

}  // namespace vlx
