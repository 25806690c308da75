#include "engine/salvage/spool_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/storage/buffered_file_writer.h"

namespace vlx::salvage {

bool SpoolToFile(ChainReader& reader, uint64_t size, const std::string& path, std::string* error) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  BufferedFileWriter out(fd, 0);
  std::vector<uint8_t> buffer(size_t{1} << 20);  // read and written in pieces this large
  for (uint64_t at = 0; at < size && out.error().empty();) {
    const size_t take = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - at));
    // What lies past the chain reads as zeros.
    const size_t read = reader.Read(at, buffer.data(), take);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(read),
              buffer.begin() + static_cast<std::ptrdiff_t>(take), 0);
    out.Put(buffer.data(), take);
    at += take;
  }
  out.Flush();
  const bool written = out.error().empty();
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path + ": " + (written ? std::strerror(errno) : out.error());
    return false;
  }
  return true;
}

}  // namespace vlx::salvage
