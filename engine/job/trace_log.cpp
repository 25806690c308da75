#include "engine/job/trace_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/format/text_encoding.h"
#include "engine/job/workspace.h"

namespace vlx {

std::string TraceLog::DefaultPath() {
  if (const char* over = std::getenv("VLX_TRACE_LOG"); over != nullptr && *over != '\0') {
    return over;
  }
  return Workspace::SystemTempPath() + "VlxPpt.log";
}

TraceLog::TraceLog(std::string path, bool enabled) : path_(std::move(path)), enabled_(enabled) {}

TraceLog TraceLog::Held(bool enabled) {
  TraceLog held("", enabled);
  held.held_ = std::make_shared<std::vector<std::string>>();
  return held;
}

void TraceLog::PassOn(const TraceLog& to) const {
  if (!held_) return;
  for (const std::string& line : *held_) to.Trace(line);
  held_->clear();
}

void TraceLog::Trace(std::string_view text) const {
  if (held_) {
    held_->emplace_back(text);
    return;
  }
  // O_NOFOLLOW: a symlink planted at the fixed name is never followed.
  const int fd =
      ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;  // the line is dropped; the run goes on
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
    const std::u16string units = Utf8ToUtf16(text);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
      bytes.push_back(static_cast<char>(u & 0xFF));
      bytes.push_back(static_cast<char>(u >> 8));
    }
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
}

void TraceLog::Checkpoint(int number) const {
  if (enabled_) Trace(CheckpointText(number));
}

namespace {

// Whether the file open as fd begins like a trace: UTF-16LE units below 0x100 that
// are printable or line ends.
bool LooksLikeTrace(int fd, off_t size) {
  if (size % 2 != 0) return false;
  unsigned char head[256];
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  if (n < 0 || (n == 0 && size != 0)) return false;
  for (ssize_t i = 0; i + 1 < n; i += 2) {
    const unsigned char low = head[i];
    if (head[i + 1] != 0) return false;
    if (low < 0x20 && low != '\r' && low != '\n' && low != '\t') return false;
  }
  return true;
}

}  // namespace

void TraceLog::Remove() const {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                    LooksLikeTrace(fd, st.st_size);
  ::close(fd);
  if (ours) ::unlink(path_.c_str());
}

std::string TraceLog::CheckpointText(int number) {
  char text[32];
  if (number < 100) {
    std::snprintf(text, sizeof text, "SUCC %04d\r\n", number);
  } else {
    std::snprintf(text, sizeof text, "SUCC 00%03d\r\n", number);
  }
  return text;
}

}  // namespace vlx
