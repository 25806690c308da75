#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vlx {

// The bytes of one stream until they are written out. Small streams stay in memory;
// once a stream grows past kMemoryLimit its bytes move to an anonymous temporary file
// in spool_folder (unlinked at once, so nothing is left behind even after a crash).
class StreamSpool {
 public:
  static constexpr size_t kMemoryLimit = size_t{1} << 20;

  explicit StreamSpool(std::string spool_folder);
  ~StreamSpool();
  StreamSpool(const StreamSpool&) = delete;
  StreamSpool& operator=(const StreamSpool&) = delete;

  uint64_t size() const { return size_; }

  // Writes count bytes at offset, growing the stream (a gap reads as zeros).
  // False on an I/O failure; the stream then keeps its earlier size.
  bool WriteAt(uint64_t offset, const void* data, size_t count, std::string* error = nullptr);

  // Reads count bytes at offset; offset + count must not pass size().
  bool ReadAt(uint64_t offset, void* data, size_t count, std::string* error = nullptr) const;

  // Empties the stream.
  void Clear();

 private:
  bool MoveToFile(std::string* error);

  std::string spool_folder_;
  std::vector<uint8_t> memory_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace vlx
