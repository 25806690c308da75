#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job/recovery_job.h"
#include "engine/salvage/directory_listing.h"

namespace vlx {

// One stream of a candidate presentation, its bytes in a workspace file.
struct CandidateStream {
  std::vector<std::u16string> path;  // storage names, then its own
  std::string file;
};

// A set of streams that may make the damaged presentation whole again, and how they
// were got. Checked before it is assembled and saved.
struct StreamCandidate {
  std::string method;  // "byte-exact streams", "carved streams", ...
  std::array<uint8_t, 16> root_clsid{};
  std::vector<salvage::CompoundItem> storages;  // parents before children
  std::vector<CandidateStream> streams;
  std::vector<std::string> repairs;  // what had to be guessed or rebuilt
  // The document stream offset past which its bytes would lie beyond the end of the
  // damaged file (see salvage::CheckPresentation); 0: not known.
  uint64_t document_file_ends_at = 0;

  CandidateStream* Find(std::u16string_view top_level_name);
};

// The class id PowerPoint gives the root of its presentations.
inline constexpr std::array<uint8_t, 16> kPresentationClassId = {
    0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11, 0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};

inline constexpr char16_t kDocumentStreamName[] = u"PowerPoint Document";
inline constexpr char16_t kCurrentUserStreamName[] = u"Current User";
inline constexpr char16_t kPicturesStreamName[] = u"Pictures";

// The candidates read back from the damaged file's own compound structures (every
// stream and storage), at most max_candidates of them, the most complete first.
std::vector<StreamCandidate> SalvageCandidates(RecoveryJob& job, DamagedFile& file,
                                               size_t max_candidates);

// The candidate made of the three carved workspace files.
StreamCandidate CarvedCandidate(const RecoveryJob& job);

// The same, told the damaged file: its document stream, copied from where the carve
// found it, knows where the file ends under it.
StreamCandidate CarvedCandidate(const RecoveryJob& job, const DamagedFile& file);

}  // namespace vlx
