#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vlx {

// Sequential writes to an open file descriptor from a given offset, gathered into
// 64 KiB writes (larger pieces are written as they come). The first failure sticks: later calls do
// nothing and return false.
class BufferedFileWriter {
 public:
  BufferedFileWriter(int fd, uint64_t start_offset);

  bool Put(const void* data, size_t count);
  bool PutZeros(size_t count);
  // Pads with zeros up to the next multiple of unit bytes from the start offset.
  bool PadTo(size_t unit);
  bool Flush();

  uint64_t written() const { return written_; }
  const std::string& error() const { return error_; }

 private:
  bool WriteOut(const uint8_t* bytes, size_t count);

  int fd_;
  uint64_t file_offset_;
  uint64_t written_ = 0;
  std::vector<uint8_t> buffer_;
  std::string error_;
};

}  // namespace vlx
