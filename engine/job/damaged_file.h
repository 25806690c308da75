#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/job/read_window_buffer.h"

namespace vlx {

// A read of the file failed inside its length: the file shrank while it was read, or
// the system reported an I/O error. Ends the run as a reported failure.
class InputReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file opened read-only as raw bytes: the damaged presentation, and every
// workspace file a stage reads back. Seek + Read as the stages use them, served from a
// large read-ahead window filled with pread, so that the many small reads of a scan cost
// no system call. Nothing is mapped: a file that another process cuts short while it is
// read gives an InputReadError, never a bus error. Reads past the length opened with
// return fewer bytes than asked and zero-fill the rest of the buffer.
class DamagedFile {
 public:
  // Inputs of this size or more are refused (the design is 32-bit throughout).
  static constexpr uint64_t kMaxLength = (uint64_t{1} << 31) - 1;

  // Opens path read-only, without blocking (a FIFO or device never holds the run), and
  // refuses anything but a regular file. On failure returns nullptr and puts a reason
  // in *error.
  static std::unique_ptr<DamagedFile> Open(const std::string& path, std::string* error = nullptr);

  ~DamagedFile();
  DamagedFile(const DamagedFile&) = delete;
  DamagedFile& operator=(const DamagedFile&) = delete;

  uint64_t GetLength() const { return length_; }
  void Seek(uint64_t offset) { position_ = offset; }
  uint64_t Tell() const { return position_; }

  // Reads up to count bytes at the current position and advances it. Returns the
  // count actually read; buffer bytes past it are set to zero.
  size_t Read(void* buffer, size_t count);

  // Reads without touching the position.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count);

  // Zero-copy view of up to count bytes at offset (valid until the next read call);
  // *available receives how many bytes the view holds.
  const uint8_t* View(uint64_t offset, size_t count, size_t* available);

  const std::string& path() const { return path_; }

 private:
  DamagedFile(int fd, uint64_t length, std::string path);
  bool Fill(uint64_t offset, size_t minimum);
  // Reads exactly count bytes at offset (inside the length opened with) or throws.
  void ReadFully(uint64_t offset, uint8_t* out, size_t count);

  int fd_;
  uint64_t length_;
  std::string path_;
  uint64_t position_ = 0;
  ReadWindowBuffer window_;
  uint64_t window_start_ = 0;
  size_t window_size_ = 0;
};

}  // namespace vlx
