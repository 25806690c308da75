#include "engine/job/read_window_buffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace vlx {
namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

ReadWindowBuffer::~ReadWindowBuffer() {
  std::free(bytes_);
}

void ReadWindowBuffer::Reserve(size_t count) {
  if (count <= capacity_) return;
  const bool huge = count >= kHugePage;
  const size_t size = huge ? (count + kHugePage - 1) / kHugePage * kHugePage : count;
  void* fresh = huge ? std::aligned_alloc(kHugePage, size) : std::malloc(size);
  if (fresh == nullptr) throw std::bad_alloc();
  // Only advice: where the system has no huge pages to give, the window works as before.
  if (huge) ::madvise(fresh, size, MADV_HUGEPAGE);
  std::free(bytes_);
  bytes_ = static_cast<uint8_t*>(fresh);
  capacity_ = size;
}

}  // namespace vlx
