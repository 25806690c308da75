#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/storage/buffered_file_writer.h"

namespace vlx {

// A file created (or truncated) for writing as raw bytes. A symlink at the path is
// never followed. The first failure is remembered and reported by Close, so a full
// disk never passes for a complete file.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // mode: permission bits for a new file (before the umask).
  bool Create(const std::string& path, mode_t mode = 0600);
  void Write(const void* data, size_t count);
  // Flushes and closes; false when creating, writing or closing failed.
  bool Close();
  // Why the file failed ("" when it did not).
  const std::string& error() const { return error_; }

 private:
  void Fail(const std::string& what);

  int fd_ = -1;
  std::string path_;
  std::optional<BufferedFileWriter> writer_;
  std::string error_;
};

// Copies the bytes [from, end of file) of source to the file at target.
// Returns false with a reason in *error when the target cannot be written whole.
bool CopyTailToFile(DamagedFile& source, uint64_t from, const std::string& target, mode_t mode,
                    std::string* error);

}  // namespace vlx
