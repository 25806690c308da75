#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vlx {

// Writes through Files() where every call is checked: a failure is noted as the run's
// write failure ("<path>: <reason>") and returned as false (or -1), errno kept.

// Creates or truncates path for writing, never through a symlink; -1 on failure.
int CreateForWriting(const std::string& path, mode_t mode, bool exclusive = false);
bool WriteAll(int fd, const void* data, size_t count, const std::string& path);
bool WriteAllAt(int fd, const void* data, size_t count, uint64_t offset, const std::string& path);
// fsync, then close; the descriptor is closed either way.
bool SyncAndClose(int fd, const std::string& path);
bool CloseChecked(int fd, const std::string& path);
// Notes a failure of path with the reason in errno (or the given text); returns false.
bool NoteFailedCall(const std::string& path, int error_number);

}  // namespace vlx
