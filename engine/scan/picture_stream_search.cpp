#include "engine/scan/picture_stream_search.h"

#include <algorithm>

#include "engine/format/plausible_length.h"
#include "engine/format/record_header.h"
#include "engine/format/workspace_files.h"
#include "engine/job/messages.h"
#include "engine/scan/file_range_copy.h"
#include "engine/scan/picture_signatures.h"

namespace vlx {
namespace {

constexpr uint64_t kBlockSize = 512;
constexpr int kPicturesFileError = 6;

constexpr size_t kPiece = size_t{1} << 20;  // a whole number of blocks

}  // namespace

bool BeginsLikePictureRecord(const uint8_t* header_bytes, uint64_t file_length) {
  const RecordHeader header = RecordHeader::Decode(header_bytes);
  return IsShorterThanFile(header.length, file_length) &&
         IsPictureRecordWord(header.version_instance);
}

// One pass: the file is viewed a piece at a time; every block of the piece but the
// file's last one is examined, and once a picture block has been seen the piece is
// appended to the picture file from that block (or its own start) on, so the copy
// runs through the end of the file.
void SearchPictureStream(RecoveryJob& job, DamagedFile& file) {
  const uint64_t length = job.file_length;
  job.trace().Checkpoint(10);
  DirectOutputFile out(job.workspace().File(kPicturesFile));
  for (uint64_t piece = 0; piece < length; piece += kPiece) {
    size_t available = 0;
    file.Seek(piece);
    const uint8_t* bytes = file.View(
        piece, static_cast<size_t>(std::min<uint64_t>(kPiece, length - piece)), &available);
    if (bytes == nullptr || available == 0) break;
    for (size_t in = 0; in < available && piece + in + kBlockSize < length; in += kBlockSize) {
      job.sink().SetProgress(Percent(piece + in, length));
      if (in + kRecordHeaderSize <= available && BeginsLikePictureRecord(bytes + in, length))
        job.picture_starts.push_back(piece + in);
    }
    if (!job.picture_starts.empty() && out.created()) {
      const uint64_t from = std::max(job.picture_starts.front(), piece);
      out.Write(bytes + (from - piece), static_cast<size_t>(piece + available - from));
    }
  }
  job.trace().Checkpoint(11);
  if (!out.created()) {
    ShowCriticalError(job.sink(), kPicturesFileError);
    return;
  }
  job.trace().Checkpoint(12);
  // A picture stream cut short by a full disk must not pass for a whole one.
  if (!out.Close()) ShowCriticalError(job.sink(), kPicturesFileError);
  job.trace().Checkpoint(13);
}

}  // namespace vlx
