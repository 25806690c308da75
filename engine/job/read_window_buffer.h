#pragma once

#include <cstddef>
#include <cstdint>

namespace vlx {

// The memory a read-ahead window is filled into. A window of a few MiB is copied into
// by the kernel and then scanned end to end, once per fill: laid on 2 MiB boundaries and
// offered for huge pages, it takes a handful of page-table entries instead of a thousand,
// which on the scans of a whole disk image is a tenth of their time. Smaller windows are
// plain heap memory. What it holds is not kept when it grows.
class ReadWindowBuffer {
 public:
  ReadWindowBuffer() = default;
  ~ReadWindowBuffer();
  ReadWindowBuffer(const ReadWindowBuffer&) = delete;
  ReadWindowBuffer& operator=(const ReadWindowBuffer&) = delete;

  // Makes room for at least count bytes; throws std::bad_alloc when there is none.
  void Reserve(size_t count);

  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t capacity() const { return capacity_; }

 private:
  uint8_t* bytes_ = nullptr;
  size_t capacity_ = 0;
};

}  // namespace vlx
