#pragma once

#include <sys/types.h>

#include <cstddef>

namespace vlx {

// The system calls through which a run makes its files and folders: the workspace,
// the output folder and the compound-file writer all create, write, sync, close, make
// folders and rename through the object returned by Files(). Tests put one of their
// own in place to fail a chosen call.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const void* data, size_t count);
  virtual ssize_t PWrite(int fd, const void* data, size_t count, off_t offset);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Mkdir(const char* path, mode_t mode);
  virtual int Rename(const char* from, const char* to);
};

// The calls in use: the system's unless a test put others in place.
FileCalls& Files();

// Puts calls in place for the whole process (nullptr: the system's again). For tests;
// the object must outlive its use.
void UseFileCalls(FileCalls* calls);

}  // namespace vlx
