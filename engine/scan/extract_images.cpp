#include "engine/scan/extract_images.h"

#include <unistd.h>

#include <optional>
#include <string_view>

#include "engine/job/damaged_file.h"
#include "engine/job/folder_tree.h"
#include "engine/job/messages.h"
#include "engine/scan/block_scanner.h"
#include "engine/scan/byte_match.h"
#include "engine/scan/file_range_copy.h"
#include "engine/scan/picture_report.h"
#include "engine/scan/picture_signatures.h"
#include "engine/format/plausible_length.h"
#include "engine/format/record_header.h"

namespace vlx {
namespace {

constexpr size_t kChunkSize = 65536;
constexpr size_t kSignatureWindow = 512;

// Records shorter than this are not worth extracting as pictures.
constexpr uint32_t kSmallestPictureRecord = 17935;

constexpr const char* kTempJpegName = "temppic2.Jpg";

// Positions among the 16 starting at p whose version/instance word may be a picture
// word: the low byte of every picture word is a multiple of 32, and the high byte is
// one of seven. A superset of the real matches; IsPictureRecordWord decides.
uint32_t WordCandidateMask(const uint8_t* p) {
  return MatchMultiplesOf32(p) & MatchAny16(p + 1, {0x21, 0x3D, 0x46, 0x54, 0x6E, 0x7A, 0x80});
}

bool IsPictureCandidate(const uint8_t* header_bytes, uint64_t file_length) {
  const RecordHeader header = RecordHeader::Decode(header_bytes);
  return IsPictureRecordWord(header.version_instance) &&
         IsShorterThanFile(header.length, file_length) && header.length > kSmallestPictureRecord;
}

class PictureExtraction {
 public:
  PictureExtraction(RecoveryJob& job, DamagedFile& file, const std::string& output_folder)
      : job_(job), file_(file), output_folder_(output_folder), length_(file.GetLength()) {}

  // Scans every position whose 8-byte header lies in the file; false when stopped.
  bool Run() {
    BlockScanner scanner(file_, length_, kChunkSize);
    while (scanner.Next()) {
      const uint64_t chunk = scanner.block_start();
      job_.sink().SetCounter(
          CounterText(static_cast<int64_t>(chunk), static_cast<int64_t>(length_)));
      job_.sink().SetProgress(Percent(chunk, length_));
      if (!ScanChunk(scanner)) return false;
    }
    return true;
  }

 private:
  // The stop flag is tested before every group of 64 positions and again right before
  // every candidate, so no position is worked on after a stop request is seen.
  bool ScanChunk(BlockScanner& scanner) {
    constexpr size_t kGroup = 4 * kMatchWidth;
    const StopFlag& stop = job_.env.stop;
    const uint64_t chunk = scanner.block_start();
    const size_t positions = scanner.positions();
    size_t i = 0;
    for (; i + kGroup <= positions; i += kGroup) {
      if (stop.load(std::memory_order_relaxed)) return false;
      const uint8_t* group = scanner.bytes() + i;
      uint64_t mask = 0;
      for (size_t k = 0; k < kGroup; k += kMatchWidth)
        mask |= uint64_t{WordCandidateMask(group + k)} << k;
      for (; mask != 0; mask &= mask - 1) {
        const size_t at = i + static_cast<size_t>(__builtin_ctzll(mask));
        if (!Consider(scanner, chunk + at, scanner.bytes() + at)) return false;
      }
    }
    for (; i < positions; ++i) {
      if (!Consider(scanner, chunk + i, scanner.bytes() + i)) return false;
    }
    return true;
  }

  bool Consider(BlockScanner& scanner, uint64_t position, const uint8_t* header_bytes) {
    if (job_.StopRequested()) return false;
    if (!IsPictureCandidate(header_bytes, length_)) return true;
    const uint32_t record_length = RecordHeader::Decode(header_bytes).length;
    ExtractAt(position, record_length);
    scanner.Reload();  // the reads above moved the file's buffer
    return true;
  }

  // Saves the picture straight from the damaged file into Pictures/ of the output folder.
  void ExtractAt(uint64_t position, uint32_t record_length) {
    uint8_t window[kSignatureWindow];
    file_.ReadAt(position, window, sizeof window);
    const std::optional<std::string_view> extension =
        MatchPictureFile(window + kPictureDataOffset, sizeof window - kPictureDataOffset);
    if (!extension) return;
    const std::string saved_extension = SavedPictureExtension(std::string(*extension));
    const std::string saved = SavedPicturePath(
        output_folder_, job_.results.Count(ResultList::kPictures) + 1, saved_extension);
    if (!MakeFolder(output_folder_ + "Pictures") ||
        CopyFileRange(file_, position + kPictureDataOffset, PictureDataLength(record_length),
                      saved) != RangeCopyResult::kWritten) {
      ::unlink(saved.c_str());
      job_.sink().AppendLog("Cannot save picture " + saved + "\r\n");
      return;
    }
    ReportPicture(job_, saved, saved_extension, job_.workspace().File(kTempJpegName));
  }

  RecoveryJob& job_;
  DamagedFile& file_;
  const std::string& output_folder_;
  uint64_t length_;
};

}  // namespace

void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder) {
  ProgressSink& sink = job.sink();
  sink.SetStatus("Extracting images...");
  sink.AppendLog("Extracting images...\r\n");
  // A folder at the workspace's place that is not ours is never written into.
  if (!job.workspace().Create()) return;
  auto file = DamagedFile::Open(input_path);
  if (!file) return;

  if (!PictureExtraction(job, *file, output_folder).Run()) {
    sink.SetStatus("");
    sink.SetCounter("");
    sink.SetProgress(0);
    return;
  }
  sink.SetCounter("");
  sink.SetProgress(0);
  job.workspace().Delete();
  sink.AppendLog("Extracting images done...\r\n");
  sink.SetStatus("");
}

}  // namespace vlx
