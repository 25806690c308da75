#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/job/damaged_file.h"

namespace vlx {

// A workspace file written straight from the caller's buffers: created (or
// truncated) owner-only, never through a symlink. The first failure sticks, so a
// full disk never passes for a complete file.
class DirectOutputFile {
 public:
  explicit DirectOutputFile(const std::string& path);
  ~DirectOutputFile();
  DirectOutputFile(const DirectOutputFile&) = delete;
  DirectOutputFile& operator=(const DirectOutputFile&) = delete;

  bool created() const { return fd_ >= 0 || closed_; }
  void Write(const uint8_t* data, size_t count);
  // False when creating, writing or closing failed.
  bool Close();

 private:
  std::string path_;
  int fd_ = -1;
  bool closed_ = false;
  bool failed_ = false;
};

enum class RangeCopyResult { kWritten, kNotCreated, kIncomplete };

// Writes the bytes [from, from + count) of source, fewer where the source ends first,
// into a new file at target, renamed into place once whole (nothing under target
// otherwise).
RangeCopyResult CopyFileRange(DamagedFile& source, uint64_t from, uint64_t count,
                              const std::string& target);

}  // namespace vlx
