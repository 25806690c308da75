#include "engine/rebuild/record_copy.h"

#include <algorithm>
#include <cstdio>

namespace vlx {
std::vector<uint8_t> ReadChosenRecord(DamagedFile& file, uint64_t offset, uint64_t length) {
  const uint64_t size = std::min(length, file.GetLength());
  std::vector<uint8_t> record(static_cast<size_t>(size), 0);
  if (size > 0) file.ReadAt(offset, record.data(), record.size());
  return record;
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace vlx
