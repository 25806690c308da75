#include "engine/scan/picture_stream_search.h"

#include "engine/job/messages.h"
#include "engine/rebuild/workspace_files.h"
#include "engine/scan/file_range_copy.h"
#include "engine/scan/picture_signatures.h"
#include "engine/scan/plausible_length.h"
#include "engine/scan/record_header.h"

namespace vlx {
namespace {

constexpr uint64_t kBlockSize = 512;
constexpr int kPicturesFileError = 6;

// Every block but the file's last one (whole or partial) is examined.
void FindPictureBlocks(RecoveryJob& job, DamagedFile& file, uint64_t length) {
  for (uint64_t block = 0; block + kBlockSize < length; block += kBlockSize) {
    job.sink().SetProgress(Percent(block, length));
    size_t available = 0;
    file.Seek(block);
    const uint8_t* bytes = file.View(block, kRecordHeaderSize, &available);
    if (available >= static_cast<size_t>(kRecordHeaderSize) &&
        BeginsLikePictureRecord(bytes, length))
      job.picture_starts.push_back(block);
  }
}

}  // namespace

bool BeginsLikePictureRecord(const uint8_t* header_bytes, uint64_t file_length) {
  const RecordHeader header = RecordHeader::Decode(header_bytes);
  return IsShorterThanFile(header.length, file_length) &&
         IsPictureRecordWord(header.version_instance);
}

void SearchPictureStream(RecoveryJob& job, DamagedFile& file) {
  const uint64_t length = job.file_length;
  job.trace().Checkpoint(10);
  FindPictureBlocks(job, file, length);
  job.trace().Checkpoint(11);

  // From the first picture block through the end of the file; empty without one.
  const uint64_t from = job.picture_starts.empty() ? length : job.picture_starts.front();
  const RangeCopyResult copied =
      CopyFileRange(file, from, length - from, job.workspace().File(kPicturesFile));
  if (copied == RangeCopyResult::kNotCreated) {
    ShowCriticalError(job.sink(), kPicturesFileError);
    return;
  }
  job.trace().Checkpoint(12);
  // A picture stream cut short by a full disk must not pass for a whole one.
  if (copied == RangeCopyResult::kIncomplete) ShowCriticalError(job.sink(), kPicturesFileError);
  job.trace().Checkpoint(13);
}

}  // namespace vlx
