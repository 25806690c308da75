#include "engine/fast/candidate_check.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

#include "engine/fast/carve_output_file.h"
#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "engine/scan/file_range_copy.h"

namespace vlx {
namespace {

constexpr size_t kCurrentUserReadLimit = 64 * 1024;

std::vector<uint8_t> ReadSmallFile(const std::string& path) {
  auto file = DamagedFile::Open(path);
  if (!file) return {};
  std::vector<uint8_t> bytes(std::min<uint64_t>(file->GetLength(), kCurrentUserReadLimit));
  file->ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

// The template Current User (with the block the carve found, when it found one),
// naming the edit at offset.
bool WriteCurrentUser(const TemplateRecords& templates, const std::string& path,
                      uint32_t edit_offset) {
  std::array<uint8_t, 5120> image = templates.current_user_image;
  StoreU32(image.data() + kCurrentUserEditOffsetField, edit_offset);
  OutputFile out;
  if (!out.Create(path)) return false;
  out.Write(image.data(), image.size());
  return out.Close();
}

// Bytes after the user edit the check followed are a later save cut short, or whatever
// followed the stream on the disk; the office reads them as part of the presentation
// and shows its slides empty. The stream is cut after that edit (a copy in the workspace
// at path takes its place). False with a reason when the copy cannot be written.
bool CutAfterEdit(DamagedFile& document, uint32_t edit, const std::string& path,
                  CandidateStream& stream, std::vector<std::string>& repairs, std::string* why) {
  uint8_t header[8] = {};
  if (document.ReadAt(edit, header, sizeof header) != sizeof header) return true;
  const uint64_t end = uint64_t{edit} + sizeof header + LoadU32(header + 4);
  if (end >= document.GetLength()) return true;
  if (CopyFileRange(document, 0, end, path) != RangeCopyResult::kWritten) {
    *why = "cannot write the cut document stream " + path;
    return false;
  }
  repairs.push_back(std::to_string(document.GetLength() - end) +
                    " byte(s) after the newest whole user edit left out of the document stream");
  stream.file = path;
  return true;
}

}  // namespace

salvage::PresentationCheck CheckCandidate(RecoveryJob& job, StreamCandidate& candidate,
                                          const std::string& rebuilt_name) {
  salvage::PresentationCheck check;
  CandidateStream* document_stream = candidate.Find(kDocumentStreamName);
  if (document_stream == nullptr) {
    check.failure = "no document stream";
    return check;
  }
  auto document = DamagedFile::Open(document_stream->file);
  if (!document) {
    check.failure = "the document stream cannot be read back";
    return check;
  }
  CandidateStream* user_stream = candidate.Find(kCurrentUserStreamName);
  const std::vector<uint8_t> user =
      user_stream != nullptr ? ReadSmallFile(user_stream->file) : std::vector<uint8_t>{};
  check = salvage::CheckPresentation(*document, user_stream != nullptr ? &user : nullptr,
                                     candidate.document_file_ends_at);
  if (!check.verified) return check;
  std::string why;
  if (!CutAfterEdit(*document, *check.current_edit, job.workspace().File(rebuilt_name + "-doc"),
                    *document_stream, candidate.repairs, &why)) {
    check.verified = false;
    check.failure = why;
    return check;
  }
  if (check.current_user_names_edit) return check;

  const std::string rebuilt = job.workspace().File(rebuilt_name);
  if (!WriteCurrentUser(job.templates(), rebuilt, *check.current_edit)) {
    check.verified = false;
    check.failure = "cannot write the rebuilt Current User";
    return check;
  }
  if (user_stream != nullptr) {
    user_stream->file = rebuilt;
  } else {
    candidate.streams.push_back({{kCurrentUserStreamName}, rebuilt});
  }
  candidate.repairs.push_back("Current User rebuilt to name the newest user edit (stream offset " +
                              std::to_string(*check.current_edit) + ")");
  return check;
}

}  // namespace vlx
