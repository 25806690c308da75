#include "engine/fast/stream_candidate.h"

#include <sys/stat.h>

#include <cstdint>

#include "engine/format/workspace_files.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/shared_salvage_plans.h"

namespace vlx {
namespace {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

StreamCandidate FromSalvage(const salvage::SalvagedCompound& compound) {
  StreamCandidate candidate;
  candidate.root_clsid = compound.root_clsid;
  candidate.storages = compound.storages;
  uint64_t guessed = 0;
  uint64_t missing = 0;
  bool from_directory = true;
  bool stitched = false;
  for (const salvage::SalvagedStream& s : compound.streams) {
    candidate.streams.push_back({s.item.path, s.file});
    guessed += s.guessed_sectors;
    missing += s.missing_bytes;
    from_directory = from_directory && s.from_directory;
    stitched = stitched || s.stitched;
    // Read back through a chain, a stream ends where its directory entry says, unless
    // the file ended first.
    if (s.item.path.size() == 1 && s.item.path[0] == kDocumentStreamName)
      candidate.document_file_ends_at = s.missing_bytes == 0 ? UINT64_MAX : 0;
  }
  if (!from_directory) {
    candidate.method = "streams found by their content";
    candidate.repairs.push_back("directory lost: streams named by their first records");
    candidate.root_clsid = kPresentationClassId;
  } else {
    candidate.method = guessed == 0 && missing == 0 ? "byte-exact streams"
                       : stitched                   ? "stitched streams"
                                                    : "salvaged streams";
  }
  if (stitched)
    candidate.repairs.push_back("FAT chain lost: sectors placed by the stream's own records");
  if (guessed > 0)
    candidate.repairs.push_back(std::to_string(guessed) +
                                " sector(s) placed after their predecessor (no chain left)");
  if (missing > 0)
    candidate.repairs.push_back(std::to_string(missing) + " byte(s) lay past the end of the file");
  candidate.repairs.push_back(compound.description);
  return candidate;
}

}  // namespace

CandidateStream* StreamCandidate::Find(std::u16string_view top_level_name) {
  for (CandidateStream& s : streams)
    if (s.path.size() == 1 && s.path[0] == top_level_name) return &s;
  return nullptr;
}

std::vector<StreamCandidate> SalvageCandidates(RecoveryJob& job, DamagedFile& file,
                                               size_t max_candidates) {
  std::vector<StreamCandidate> candidates;
  const std::vector<salvage::SalvagePlan>& plans = salvage::SalvagePlansOf(job, file);
  for (size_t i = 0; i < plans.size() && candidates.size() < max_candidates; ++i) {
    if (job.StopRequested()) break;
    salvage::SalvagedCompound compound;
    std::string why;
    const std::string prefix = job.workspace().File("salvage" + std::to_string(i) + "-");
    if (!salvage::ExtractSalvage(file, plans[i], prefix, &compound, &why)) {
      job.sink().AppendLog("Cannot read back the streams: " + why + "\r\n");
      continue;
    }
    candidates.push_back(FromSalvage(compound));
  }
  return candidates;
}

StreamCandidate CarvedCandidate(const RecoveryJob& job) {
  StreamCandidate candidate;
  candidate.method = "carved streams";
  candidate.root_clsid = kPresentationClassId;
  const std::string document = job.workspace().File(kCarvedDocumentFile);
  const std::string user = job.workspace().File(kCarvedCurrentUserFile);
  const std::string pictures = job.workspace().File(kCarvedPicturesFile);
  if (FileExists(pictures)) candidate.streams.push_back({{kPicturesStreamName}, pictures});
  if (FileExists(user)) candidate.streams.push_back({{kCurrentUserStreamName}, user});
  if (FileExists(document)) candidate.streams.push_back({{kDocumentStreamName}, document});
  return candidate;
}

StreamCandidate CarvedCandidate(const RecoveryJob& job, const DamagedFile& file) {
  StreamCandidate candidate = CarvedCandidate(job);
  const uint64_t length = file.GetLength();
  if (job.carved_document_at && *job.carved_document_at < length)
    candidate.document_file_ends_at = length - *job.carved_document_at;
  return candidate;
}

}  // namespace vlx
