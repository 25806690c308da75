#include "engine/scan/extract_images.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "engine/job/damaged_file.h"
#include "engine/job/messages.h"
#include "engine/scan/block_scanner.h"
#include "engine/scan/byte_match.h"
#include "engine/scan/picture_signatures.h"
#include "engine/scan/plausible_length.h"
#include "engine/scan/record_header.h"

namespace vlx {
namespace {

constexpr size_t kChunkSize = 65536;
constexpr size_t kSignatureWindow = 512;
constexpr size_t kCopyPiece = 65536;

// Records shorter than this are not worth extracting as pictures.
constexpr uint32_t kSmallestPictureRecord = 17935;

constexpr const char* kTempPictureName = "temppic.";
constexpr const char* kTempJpegName = "temppic2.Jpg";

// Positions among the 16 starting at p whose version/instance word may be a picture
// word (both of its bytes are among the words' bytes). IsPictureRecordWord decides.
uint32_t WordCandidateMask(const uint8_t* p) {
  return MatchAny16(p, {0x60, 0x40, 0xA0, 0x20, 0x00, 0x80}) &
         MatchAny16(p + 1, {0x21, 0x3D, 0x46, 0x54, 0x6E, 0x7A, 0x80});
}

bool IsPictureCandidate(const uint8_t* header_bytes, uint64_t file_length) {
  const RecordHeader header = RecordHeader::Decode(header_bytes);
  return IsPictureRecordWord(header.version_instance) &&
         IsShorterThanFile(header.length, file_length) && header.length > kSmallestPictureRecord;
}

// Writes length bytes of the damaged file from `from` (fewer at its end) into a new
// file at path. False when the file cannot be created or written whole.
bool WritePictureFile(DamagedFile& file, uint64_t from, uint64_t length, const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool written = true;
  const uint64_t end = std::min(from + length, file.GetLength());
  for (uint64_t at = from; written && at < end;) {
    size_t available = 0;
    const uint8_t* data =
        file.View(at, static_cast<size_t>(std::min<uint64_t>(kCopyPiece, end - at)), &available);
    if (data == nullptr || available == 0) break;
    for (size_t done = 0; written && done < available;) {
      const ssize_t n = ::write(fd, data + done, available - done);
      if (n > 0)
        done += static_cast<size_t>(n);
      else
        written = n < 0 && errno == EINTR;
    }
    at += available;
  }
  return ::close(fd) == 0 && written;
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
  // The stop flag is tested before every group of positions and again right before
  // every candidate, so no position is worked on after a stop request is seen.
  bool ScanChunk(BlockScanner& scanner) {
    const uint64_t chunk = scanner.block_start();
    size_t i = 0;
    for (; i + kMatchWidth <= scanner.positions(); i += kMatchWidth) {
      if (job_.StopRequested()) return false;
      for (uint32_t mask = WordCandidateMask(scanner.bytes() + i); mask != 0; mask &= mask - 1) {
        const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
        if (!Consider(scanner, chunk + at, scanner.bytes() + at)) return false;
      }
    }
    for (; i < scanner.positions(); ++i) {
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

  void ExtractAt(uint64_t position, uint32_t record_length) {
    uint8_t window[kSignatureWindow];
    file_.ReadAt(position, window, sizeof window);
    const std::optional<std::string_view> extension =
        MatchPictureFile(window + kPictureDataOffset, sizeof window - kPictureDataOffset);
    if (!extension) return;
    const std::string path = job_.workspace().File(kTempPictureName + std::string(*extension));
    if (WritePictureFile(file_, position + kPictureDataOffset, PictureDataLength(record_length),
                         path)) {
      job_.env.view.AddPicture(path, job_.workspace().File(kTempJpegName), std::string(*extension),
                               output_folder_);
    }
    ::unlink(path.c_str());
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
