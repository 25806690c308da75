#include "engine/run/own_records_deck.h"

#include "engine/fast/candidate_check.h"
#include "engine/fast/candidate_compound.h"
#include "engine/fast/carve_output_file.h"
#include "engine/fast/carve_streams.h"
#include "engine/fast/stream_candidate.h"
#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/format/template_records.h"
#include "engine/rebuild/carried_texts.h"
#include "engine/rebuild/own_records_stream.h"
#include "engine/rebuild/resolved_pictures.h"
#include "engine/run/candidate_picture_mending.h"

namespace vlx {
namespace {

constexpr size_t kMostCandidates = 3;
// A Document stream larger than this is not read into memory for a rebuild.
constexpr uint64_t kLargestRebuiltStream = uint64_t{256} << 20;

std::optional<std::vector<uint8_t>> ReadStream(const std::string& path) {
  auto file = DamagedFile::Open(path);
  if (!file || file->GetLength() > kLargestRebuiltStream) return std::nullopt;
  std::vector<uint8_t> bytes(file->GetLength());
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

bool WriteStream(const std::string& path, const std::vector<uint8_t>& bytes) {
  OutputFile out;
  if (!out.Create(path)) return false;
  out.Write(bytes.data(), bytes.size());
  return out.Close();
}

// The rebuilt stream lays its records out anew: the candidate's own Current User (its
// user name and version kept) is pointed at the rebuilt user edit. A candidate without
// a readable one is left as it is; the check writes one.
bool PointCurrentUserAt(RecoveryJob& job, StreamCandidate& candidate, uint32_t edit,
                        const std::string& tag) {
  CandidateStream* user = candidate.Find(kCurrentUserStreamName);
  if (user == nullptr) return true;
  std::optional<std::vector<uint8_t>> bytes = ReadStream(user->file);
  if (!bytes || bytes->size() < kCurrentUserEditOffsetField + 4 ||
      LoadU16(bytes->data() + 2) != kTypeCurrentUserAtom)
    return true;
  StoreU32(bytes->data() + kCurrentUserEditOffsetField, edit);
  const std::string path = job.workspace().File(tag);
  if (!WriteStream(path, *bytes)) return false;
  user->file = path;
  return true;
}

// One stream set that passed the check, with what it would give.
struct CheckedSet {
  StreamCandidate candidate;
  bool as_found = false;
  int slides = 0;
  std::vector<uint32_t> left_out;
  std::vector<uint8_t> document;
  int stood_in = 0;
  // Rebuilt from a whole Document container whose slide list names no slide, none of them
  // lost: a presentation that has none.
  bool lists_none = false;

  // Whole slides first: a set whose damaged slides only stand in by their texts gives
  // less of the presentation back than one with fewer slides, all whole.
  bool Beats(const CheckedSet& other) const {
    if (slides - stood_in != other.slides - other.stood_in)
      return slides - stood_in > other.slides - other.stood_in;
    if (slides != other.slides) return slides > other.slides;
    return as_found && !other.as_found;
  }
};

// The candidate with its Document stream rebuilt from its own whole records, when that
// verifies; why_not names what the candidate as found failed on.
std::optional<CheckedSet> RebuildSet(RecoveryJob& job, StreamCandidate candidate,
                                     const std::vector<uint8_t>& bytes, const std::string& tag,
                                     const std::string& why_not, std::string& failures) {
  CandidateStream* document = candidate.Find(kDocumentStreamName);
  std::string why;
  std::optional<OwnRecordsStream> rebuilt = BuildOwnRecordsStream(bytes, std::nullopt, &why);
  if (!rebuilt) {
    failures += "; " + candidate.method + ": " + why_not + "; no rebuild: " + why;
    return std::nullopt;
  }
  const std::string path = job.workspace().File(tag + "-document");
  if (!WriteStream(path, rebuilt->bytes)) {
    failures += "; " + candidate.method + ": cannot write the rebuilt document stream";
    return std::nullopt;
  }
  document->file = path;
  if (!PointCurrentUserAt(job, candidate, rebuilt->user_edit_offset, tag + "-current-user")) {
    failures += "; " + candidate.method + ": cannot write the rebuilt current user stream";
    return std::nullopt;
  }
  const salvage::PresentationCheck recheck = CheckCandidate(job, candidate, tag + "-rebuilt-user");
  if (!recheck.verified) {
    failures += "; " + candidate.method + ": the rebuilt stream fails: " + recheck.failure;
    return std::nullopt;
  }
  candidate.repairs.push_back("Document stream rebuilt from its own whole records (" + why_not +
                              ")");
  if (rebuilt->persist_ids_inferred)
    candidate.repairs.push_back(
        "no user edit left: persist ids taken from the order of the records and the slide lists");
  if (rebuilt->document_salvaged)
    candidate.repairs.push_back("damaged Document container kept without its damaged parts");
  if (rebuilt->older_document)
    candidate.repairs.push_back(
        "the newest Document container is lost: the newest older version lists the slides");
  if (!rebuilt->slides_restored.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_restored.size()) +
                                " slide-list entry(ies) lost to the damage taken from an older "
                                "version of the Document");
  if (!rebuilt->slide_texts_restored.empty())
    candidate.repairs.push_back(
        std::to_string(rebuilt->slide_texts_restored.size()) +
        " slide(s) whose list texts the damage cut short given their "
        "texts by an older version of the Document that holds them the same");
  if (!rebuilt->slides_paired_by_order.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_paired_by_order.size()) +
                                " slide(s) whose persist directory entries were lost found by "
                                "the order of the records");
  if (!rebuilt->slides_relisted.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_relisted.size()) +
                                " slide(s) whose slide-list entries were lost listed again, "
                                "without their list texts");
  if (!rebuilt->slide_text_tails.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slide_text_tails.size()) +
                                " of them given back the end of their last text, which "
                                "survives after the damage");
  if (!rebuilt->records_trimmed.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->records_trimmed.size()) +
                                " damaged master(s) or notes page(s) kept without their "
                                "damaged parts");
  if (!rebuilt->slides_trimmed.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_trimmed.size()) +
                                " damaged slide(s) kept without their damaged parts");
  if (!rebuilt->slides_stood_in.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_stood_in.size()) +
                                " damaged slide(s) rebuilt from their slide-list texts");
  if (!rebuilt->slides_left_out.empty())
    candidate.repairs.push_back(std::to_string(rebuilt->slides_left_out.size()) +
                                " damaged slide(s) left out of the slide list");
  const bool lists_none = recheck.slides == 0 && rebuilt->slides_kept.empty() &&
                          rebuilt->slides_left_out.empty() && rebuilt->slides_stood_in.empty() &&
                          !rebuilt->document_salvaged && !rebuilt->older_document &&
                          !rebuilt->persist_ids_inferred;
  return CheckedSet{std::move(candidate),
                    false,
                    recheck.slides,
                    std::move(rebuilt->slides_left_out),
                    std::move(rebuilt->bytes),
                    static_cast<int>(rebuilt->slides_stood_in.size()),
                    lists_none};
}

// The candidate as it is when it verifies, else with its Document stream rebuilt from
// its own whole records when that verifies. A stream that verified only up to an older
// edit (the newest was damaged, its bytes left out) is rebuilt too, and gives the deck
// that holds more of the presentation.
std::optional<CheckedSet> CheckSet(RecoveryJob& job, StreamCandidate candidate, size_t n,
                                   std::string& failures) {
  const std::string tag = "own" + std::to_string(n);
  CandidateStream* document = candidate.Find(kDocumentStreamName);
  if (document == nullptr) {
    failures += "; " + candidate.method + ": no document stream";
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> bytes = ReadStream(document->file);
  if (!bytes) {
    failures += "; " + candidate.method + ": the document stream cannot be read back";
    return std::nullopt;
  }
  StreamCandidate as_found = candidate;
  const salvage::PresentationCheck check = CheckCandidate(job, as_found, tag + "-user");
  if (!check.verified)
    return RebuildSet(job, std::move(candidate), *bytes, tag, check.failure, failures);
  const bool tail_left_out = as_found.Find(kDocumentStreamName)->file != document->file;
  if (tail_left_out) {
    std::string ignored;
    std::optional<CheckedSet> rebuilt = RebuildSet(
        job, candidate, *bytes, tag, "its newest whole user edit is not the last record", ignored);
    CheckedSet found{std::move(as_found), true, check.slides, {}, {}};
    if (rebuilt && rebuilt->Beats(found)) return rebuilt;
    found.document = std::move(*bytes);
    return found;
  }
  return CheckedSet{std::move(as_found), true, check.slides, {}, std::move(*bytes)};
}

size_t ResolvedBy(std::span<const uint8_t> document, const std::string& pictures_file) {
  auto pictures = DamagedFile::Open(pictures_file);
  return pictures ? ResolvedPictures(document, *pictures) : 0;
}

// Where another stream set's Pictures stream holds more of the deck's pictures where its
// blip store says (its own was read back short or wrong), the deck takes that one.
void TakeBestPictures(CheckedSet& best,
                      const std::vector<std::pair<std::string, std::string>>& streams) {
  CandidateStream* own = best.candidate.Find(kPicturesStreamName);
  size_t most = own != nullptr ? ResolvedBy(best.document, own->file) : 0;
  const std::pair<std::string, std::string>* better = nullptr;
  for (const auto& stream : streams) {
    const size_t resolved = ResolvedBy(best.document, stream.second);
    if (resolved > most) {
      most = resolved;
      better = &stream;
    }
  }
  if (better == nullptr) return;
  if (own != nullptr)
    own->file = better->second;
  else
    best.candidate.streams.push_back({{kPicturesStreamName}, better->second});
  best.candidate.repairs.push_back("Pictures stream taken from the " + better->first + " (" +
                                   std::to_string(most) + " of the deck's pictures where it " +
                                   "names them)");
}

}  // namespace

std::optional<OwnRecordsDeck> PrepareOwnRecordsDeck(RecoveryJob& job, DamagedFile& file,
                                                    std::string* why) {
  std::vector<StreamCandidate> candidates = SalvageCandidates(job, file, kMostCandidates);
  // The carved streams last: where the compound structures are lost or wrong, a stream
  // that was written in one run of sectors is still whole in the file.
  StreamCarving carving(job, file);
  if (carving.CarveDocumentStream() && carving.CarveCurrentUser() && carving.CarvePicturesStream())
    candidates.push_back(CarvedCandidate(job));

  // Every Pictures stream read back, for the deck that wins to take the one that holds
  // the most of its pictures.
  std::vector<std::pair<std::string, std::string>> pictures_streams;  // method, file
  for (StreamCandidate& candidate : candidates)
    if (const CandidateStream* pictures = candidate.Find(kPicturesStreamName))
      pictures_streams.emplace_back(candidate.method, pictures->file);

  std::string failures;
  std::optional<CheckedSet> best;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (job.StopRequested()) return std::nullopt;
    std::optional<CheckedSet> set = CheckSet(job, std::move(candidates[i]), i, failures);
    if (set && (!best || set->Beats(*best))) best = std::move(set);
  }
  // A deck with no slide is kept only where the presentation has none: as it was found, or
  // rebuilt from a whole Document that lists none.
  if (!best || (best->slides == 0 && !best->as_found && !best->lists_none)) {
    *why = candidates.empty()    ? "no stream of the presentation was found"
           : best                ? "no slide passed the check"
           : failures.size() > 2 ? failures.substr(2)
                                 : "nothing verified";
    return std::nullopt;
  }

  TakeBestPictures(*best, pictures_streams);
  MendCandidatePictures(job, best->candidate, best->document);

  OwnRecordsDeck deck;
  deck.compound = job.workspace().File("own-records.ppt");
  if (!WriteCandidateCompound(best->candidate, deck.compound, why)) return std::nullopt;
  deck.method = best->candidate.method;
  deck.document_as_found = best->as_found;
  deck.repairs = std::move(best->candidate.repairs);
  deck.slides = best->slides;
  deck.slides_left_out = std::move(best->left_out);
  deck.slides_stood_in = best->stood_in;
  deck.carried_texts = TextsCarriedBy(best->document);
  if (failures.size() > 2) deck.refused = failures.substr(2);
  return deck;
}

}  // namespace vlx
