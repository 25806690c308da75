#include "engine/rebuild/master_search.h"

#include <algorithm>

#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/candidate_shape.h"
#include "engine/rebuild/record_copy.h"
#include "engine/rebuild/trial_builder.h"

namespace vlx {
namespace {
constexpr const char* kMaking = "Making master slide...";
constexpr const char* kVerifying = "Verifying master slide...";

std::vector<uint8_t> AsBytes(std::span<const uint8_t> block) {
  return {block.begin(), block.end()};
}
}  // namespace

std::string ProcessingListText(int64_t counter, int64_t total) {
  return "Processing List:- " + std::to_string(counter) + " of " + std::to_string(total);
}

MasterSlideSearch::MasterSlideSearch(RecoveryJob& job, DamagedFile& file,
                                     MasterSearchObserver& observer, const std::atomic<bool>& stop,
                                     TrialPreview preview)
    : job_(job), file_(file), observer_(observer), stop_(stop), preview_(std::move(preview)) {}

void MasterSlideSearch::UseFoundMaster(const FoundRecord& master, std::vector<uint8_t>& bytes) {
  current_.master_offset = static_cast<uint64_t>(master.offset);
  current_.master_length = static_cast<uint64_t>(master.total_length());
  bytes = ReadChosenRecord(file_, current_.master_offset, current_.master_length);
}

void MasterSlideSearch::UseFoundBlipStore(const FoundRecord& store, std::vector<uint8_t>& bytes) {
  current_.blip_store_offset = static_cast<uint64_t>(store.offset);
  current_.blip_store_length = static_cast<uint64_t>(store.total_length());
  bytes = ReadChosenRecord(file_, current_.blip_store_offset, current_.blip_store_length);
}

void MasterSlideSearch::TryTrial(const std::vector<uint8_t>& blip_store,
                                 const std::vector<uint8_t>& master) {
  observer_.SetTrialLabel(kMaking);
  if (!pictures_) pictures_ = PictureSource::Open(job_.workspace().File(kPicturesFile));
  BuildTrial(job_, blip_store, master, pictures_.get());
  observer_.SetTrialLabel(kVerifying);
  VerifyTrial(job_.workspace().File(kRebuiltCompoundFile));
}

// Pairs beyond this many are not all tried: each master goes with its own store.
constexpr size_t kMostPairs = 64;

std::vector<FoundRecord> MasterSlideSearch::StoresFor(std::optional<int64_t> master_offset) const {
  if (!master_offset || masters_.size() * stores_.size() <= kMostPairs)
    return {stores_.begin(), stores_.end()};
  const auto after = std::upper_bound(
      stores_.begin(), stores_.end(), *master_offset,
      [](int64_t offset, const FoundRecord& store) { return offset < store.offset; });
  return {after == stores_.begin() ? *stores_.begin() : *std::prev(after)};
}

void MasterSlideSearch::TryPair(const std::vector<uint8_t>& master,
                                std::optional<int64_t> master_offset) {
  std::vector<uint8_t> store;
  for (const FoundRecord& found : StoresFor(master_offset)) {
    if (Stopped()) return;
    observer_.SetListLabel(ProcessingListText(list_counter_++, total_));
    UseFoundBlipStore(found, store);
    TryTrial(store, master);
  }
}

void MasterSlideSearch::SearchDefaultPair() {
  result_.kind = CandidateKind::kDefaultMasterDefaultStore;
  current_ = MasterCandidate{};
  const TemplateRecords& t = job_.templates();
  TryTrial(AsBytes(t.default_blip_store), AsBytes(t.default_main_master));
}

MasterSearchResult MasterSlideSearch::SearchMasterSlides() {
  const TraceLog& trace = job_.trace();
  trace.Checkpoint(20);
  masters_.clear();
  stores_.clear();
  for (const FoundRecord& found : job_.main_masters)
    if (LooksLikeMainMaster(file_, found)) masters_.push_back(found);
  for (const FoundRecord& found : job_.blip_stores)
    if (LooksLikeBlipStore(file_, found)) stores_.push_back(found);
  const auto masters = static_cast<int64_t>(masters_.size());
  const auto stores = static_cast<int64_t>(stores_.size());
  trial_counter_ = 1;
  list_counter_ = 1;
  total_ = (1 + masters) * (1 + stores);
  if (masters_.size() * stores_.size() > kMostPairs) total_ = (1 + masters) * 2;
  result_ = MasterSearchResult{};
  current_ = MasterCandidate{};
  for (int n : {21, 23, 24, 56}) trace.Checkpoint(n);
  if (job_.own_masters_first) ListOwnMasters();

  const TemplateRecords& t = job_.templates();
  std::vector<uint8_t> master;
  if (masters > 0 && stores > 0) {
    trace.Checkpoint(57);
    result_.kind = CandidateKind::kFoundMasterFoundStore;
    for (const FoundRecord& found : masters_) {
      if (Stopped()) break;
      UseFoundMaster(found, master);
      trace.Checkpoint(26);
      trace.Checkpoint(27);
      TryPair(master, found.offset);
    }
  } else if (stores > 0) {
    trace.Checkpoint(58);
    trace.Checkpoint(59);
    result_.kind = CandidateKind::kDefaultMasterFoundStore;
    observer_.SetTrialLabel(kMaking);
    trace.Checkpoint(25);
    TryPair(AsBytes(t.default_main_master), std::nullopt);
  } else if (masters == 0) {
    trace.Checkpoint(60);
    SearchDefaultPair();
  } else {
    trace.Checkpoint(61);
    result_.kind = CandidateKind::kFoundMasterDefaultStore;
    const std::vector<uint8_t> store = AsBytes(t.default_blip_store);
    for (const FoundRecord& found : masters_) {
      if (Stopped()) break;
      UseFoundMaster(found, master);
      TryTrial(store, master);
    }
  }
  trace.Checkpoint(62);
  if (!job_.own_masters_first) ListOwnMasters();
  if (result_.candidates.empty()) {
    trace.Checkpoint(63);
    SearchDefaultPair();
  }
  observer_.SetProgress(100);
  trace.Checkpoint(64);
  return result_;
}

void MasterSlideSearch::ListOwnMasters() {
  if (!job_.own_masters_preview) return;
  MasterCandidate own;
  own.own_masters = true;
  own.index = static_cast<int>(result_.candidates.size());
  result_.candidates.push_back(own);
  observer_.AddItem(own, *job_.own_masters_preview,
                    "Master Slide " + std::to_string(own.index + 1));
}

bool MasterSlideSearch::VerifyTrial(const std::string& path) {
  job_.trace().Checkpoint(47);
  // The default trial made once more after the others counts beyond the total.
  observer_.SetProgress(static_cast<int>(std::min<int64_t>(100, trial_counter_ * 100 / total_)));
  ++trial_counter_;
  const std::optional<Bitmap> picture = preview_(job_, path);
  bool added = false;
  if (picture && !picture->empty()) {
    MasterCandidate candidate = current_;
    candidate.index = static_cast<int>(result_.candidates.size());
    result_.candidates.push_back(candidate);
    observer_.AddItem(candidate, *picture, "Master Slide " + std::to_string(candidate.index + 1));
    added = true;
  }
  job_.trace().Checkpoint(55);
  return added;
}

}  // namespace vlx
