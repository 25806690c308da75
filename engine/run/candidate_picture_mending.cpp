#include "engine/run/candidate_picture_mending.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/rebuild/picture_mending.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
// A Document stream or container larger than this is not read for its blip store.
constexpr uint32_t kLargestDocumentContainer = uint32_t{64} << 20;

// The last Document container of a Document stream, found by its top-level record headers.
std::vector<uint8_t> NewestDocumentContainer(DamagedFile& stream) {
  std::optional<uint64_t> newest;
  uint32_t newest_length = 0;
  const uint64_t size = stream.GetLength();
  uint8_t header[kHeader];
  for (uint64_t at = 0; size - at >= kHeader;) {
    if (stream.ReadAt(at, header, kHeader) != kHeader) break;
    const uint32_t length = LoadU32(header + 4);
    if (size - at - kHeader < length) break;
    if (LoadU16(header + 2) == kTypeDocument) {
      newest = at;
      newest_length = length;
    }
    at += kHeader + uint64_t{length};
  }
  if (!newest || newest_length > kLargestDocumentContainer) return {};
  std::vector<uint8_t> container(kHeader + size_t{newest_length});
  if (stream.ReadAt(*newest, container.data(), container.size()) != container.size()) return {};
  return container;
}

}  // namespace

void MendCandidatePictures(RecoveryJob& job, StreamCandidate& candidate,
                           std::span<const uint8_t> document) {
  CandidateStream* own = candidate.Find(kPicturesStreamName);
  if (own == nullptr) return;
  std::unique_ptr<DamagedFile> pictures = DamagedFile::Open(own->file);
  if (!pictures) return;
  const std::string path = job.workspace().File("mended-pictures");
  std::string error;
  const std::optional<PictureMending> mending =
      MendDamagedPictures(document, *pictures, path, &error);
  if (!mending) {
    if (!error.empty() && job.trace().enabled())
      job.trace().Trace("Damaged pictures left as they are: " + error + "\r\n");
    return;
  }
  own->file = path;
  // The streams are no longer all the file's own, byte for byte: the method says so.
  candidate.method += ", damaged pictures mended";
  if (mending->headers_restored > 0)
    candidate.repairs.push_back(std::to_string(mending->headers_restored) +
                                " picture record(s) whose first bytes were damaged restored "
                                "from their blip-store entries");
  if (mending->mended > 0)
    candidate.repairs.push_back(
        std::to_string(mending->mended) +
        " damaged PNG picture(s) mended in the Pictures stream: " +
        std::to_string(mending->rows_kept) + " of their " + std::to_string(mending->rows) +
        " rows kept as they were, " + std::to_string(mending->rows_resumed) +
        " read again after the damage, the others drawn from the last whole row");
  if (mending->jpegs_cut > 0)
    candidate.repairs.push_back(std::to_string(mending->jpegs_cut) +
                                " damaged JPEG picture(s) mended to draw what is left of them");
  if (mending->previews_used > 0)
    candidate.repairs.push_back(std::to_string(mending->previews_used) +
                                " damaged picture(s) of embedded objects (charts, tables) drawn "
                                "again from the picture each object keeps of itself");
  if (mending->metafiles_cut > 0)
    candidate.repairs.push_back(std::to_string(mending->metafiles_cut) +
                                " damaged WMF or EMF picture(s) ended before their damage");
}

void MendCandidatePictures(RecoveryJob& job, StreamCandidate& candidate) {
  const CandidateStream* document = candidate.Find(kDocumentStreamName);
  if (document == nullptr || candidate.Find(kPicturesStreamName) == nullptr) return;
  std::unique_ptr<DamagedFile> stream = DamagedFile::Open(document->file);
  if (!stream) return;
  // The whole stream where it is not large: its embedded objects may draw damaged pictures.
  const uint64_t length = stream->GetLength();
  if (length <= kLargestDocumentContainer) {
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (stream->ReadAt(0, bytes.data(), bytes.size()) == bytes.size()) {
      MendCandidatePictures(job, candidate, bytes);
      return;
    }
  }
  const std::vector<uint8_t> container = NewestDocumentContainer(*stream);
  if (!container.empty()) MendCandidatePictures(job, candidate, container);
}

}  // namespace vlx
