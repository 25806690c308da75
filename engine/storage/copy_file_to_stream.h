#pragma once

#include "engine/job/damaged_file.h"
#include "engine/storage/compound_storage.h"

namespace vlx {

// Size of the one buffer a copy uses; also the chunk of every read and write.
inline constexpr size_t kStreamCopyChunk = 65536;

// Copies the whole file, from its first byte, to the start of the stream in 64 KiB
// chunks: one seek, one read and one write per chunk. The file's own position is not
// used; the stream receives exactly the file's length in bytes (a short read leaves
// zeros). Failures of single reads and writes are not reported.
void CopyFileToStream(CompoundStream& stream, DamagedFile& file);

}  // namespace vlx
