#include "engine/storage/copy_file_to_stream.h"

#include <cstdint>
#include <vector>

namespace vlx {

void CopyFileToStream(CompoundStream& stream, DamagedFile& file) {
  const uint32_t length = static_cast<uint32_t>(file.GetLength());
  const uint32_t chunks = length / kStreamCopyChunk;
  const uint32_t rest = length % kStreamCopyChunk;
  std::vector<uint8_t> buffer(kStreamCopyChunk);

  stream.Seek(0);
  for (uint32_t i = 0; i < chunks; ++i) {
    file.Seek(uint64_t{i} * kStreamCopyChunk);
    file.Read(buffer.data(), kStreamCopyChunk);
    stream.Write(buffer.data(), kStreamCopyChunk);
  }
  if (rest > 0) {
    file.Seek(uint64_t{chunks} * kStreamCopyChunk);
    file.Read(buffer.data(), rest);
    stream.Write(buffer.data(), rest);
  }
}

}  // namespace vlx
