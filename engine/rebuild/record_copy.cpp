#include "engine/rebuild/record_copy.h"

#include <algorithm>

#include "engine/job/checked_writes.h"

namespace vlx {
std::vector<uint8_t> ReadChosenRecord(DamagedFile& file, uint64_t offset, uint64_t length) {
  const uint64_t size = std::min(length, file.GetLength());
  std::vector<uint8_t> record(static_cast<size_t>(size), 0);
  if (size > 0) file.ReadAt(offset, record.data(), record.size());
  return record;
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  const int out = CreateForWriting(path, 0600);
  if (out < 0) return false;
  const bool written = WriteAll(out, bytes.data(), bytes.size(), path);
  return CloseChecked(out, path) && written;
}

}  // namespace vlx
