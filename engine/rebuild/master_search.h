#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/found_record.h"
#include "engine/job/damaged_file.h"
#include "engine/job/result_view.h"
#include "engine/rebuild/master_candidate.h"
#include "engine/rebuild/picture_selection.h"
#include "engine/rebuild/trial_preview.h"

namespace vlx {

class RecoveryJob;

// What the master-slide search reports while it runs; a dialog shows it, the command
// line logs it. Calls come from the thread that runs the search.
class MasterSearchObserver {
 public:
  virtual ~MasterSearchObserver() = default;
  // "Making master slide..." / "Verifying master slide..."
  virtual void SetTrialLabel(const std::string& text) = 0;
  // "Processing List:- 3 of 12"
  virtual void SetListLabel(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  // A trial gave a preview: its list item "Master Slide <index + 1>".
  virtual void AddItem(const MasterCandidate& candidate, const Bitmap& thumbnail,
                       const std::string& label) = 0;
};

struct MasterSearchResult {
  CandidateKind kind = CandidateKind::kDefaultMasterDefaultStore;
  std::vector<MasterCandidate> candidates;  // in list order
};

// Builds a trial presentation for every usable pair of found master and blip store (or
// the default blocks where none was found), previews each, and lists those that gave a
// picture. When none did, the default/default trial is made once more.
class MasterSlideSearch {
 public:
  MasterSlideSearch(RecoveryJob& job, DamagedFile& file, MasterSearchObserver& observer,
                    const std::atomic<bool>& stop, TrialPreview preview = OfficeTrialPreview());

  MasterSearchResult SearchMasterSlides();

  // Previews the trial at path and, when it gives a picture, lists it with the current
  // registers. Returns whether an item was added.
  bool VerifyTrial(const std::string& path);

 private:
  // The given master with every sound blip store, or, when there are too many pairs,
  // with the store of its own document (the nearest one before it).
  void TryPair(const std::vector<uint8_t>& master, std::optional<int64_t> master_offset);
  std::vector<FoundRecord> StoresFor(std::optional<int64_t> master_offset) const;
  void TryTrial(const std::vector<uint8_t>& blip_store, const std::vector<uint8_t>& master);
  void UseFoundMaster(const FoundRecord& master, std::vector<uint8_t>& bytes);
  void UseFoundBlipStore(const FoundRecord& store, std::vector<uint8_t>& bytes);
  void SearchDefaultPair();
  // The deck of the file's own records, when the run made one, goes first in the list.
  void ListOwnMasters();
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

  RecoveryJob& job_;
  DamagedFile& file_;
  MasterSearchObserver& observer_;
  const std::atomic<bool>& stop_;
  TrialPreview preview_;

  MasterCandidate current_;  // registers of the trial being made
  int64_t trial_counter_ = 1;
  int64_t list_counter_ = 1;
  int64_t total_ = 1;
  MasterSearchResult result_;
  std::vector<FoundRecord> masters_;  // the found masters and stores that have their shape
  std::vector<FoundRecord> stores_;
  std::unique_ptr<PictureSource> pictures_;  // read once for every trial
};

// "Processing List:- 3 of 12"
std::string ProcessingListText(int64_t counter, int64_t total);

}  // namespace vlx
