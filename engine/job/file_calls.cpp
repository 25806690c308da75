#include "engine/job/file_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace vlx {
namespace {
FileCalls g_system_calls;
std::atomic<FileCalls*> g_calls{&g_system_calls};
}  // namespace

int FileCalls::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t FileCalls::Write(int fd, const void* data, size_t count) {
  return ::write(fd, data, count);
}
ssize_t FileCalls::PWrite(int fd, const void* data, size_t count, off_t offset) {
  return ::pwrite(fd, data, count, offset);
}
int FileCalls::Fsync(int fd) {
  return ::fsync(fd);
}
int FileCalls::Close(int fd) {
  return ::close(fd);
}
int FileCalls::Mkdir(const char* path, mode_t mode) {
  return ::mkdir(path, mode);
}
int FileCalls::Rename(const char* from, const char* to) {
  return std::rename(from, to);
}

FileCalls& Files() {
  return *g_calls.load(std::memory_order_acquire);
}

void UseFileCalls(FileCalls* calls) {
  g_calls.store(calls != nullptr ? calls : &g_system_calls, std::memory_order_release);
}

}  // namespace vlx
