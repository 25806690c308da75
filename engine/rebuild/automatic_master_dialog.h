#pragma once

#include <string>
#include <vector>

#include "engine/rebuild/master_candidate.h"
#include "engine/rebuild/master_search.h"

namespace vlx {

struct AutomaticMasterOptions {
  int pick = 1;                  // the N-th listed candidate (1 = first)
  std::string thumbnail_folder;  // when set, each candidate's picture is kept there as JPEG
};

// The master-slide choice without a person: runs the search (stopped by the run's stop
// request), lists what it found and takes the chosen candidate. Without an office every
// structurally sound trial is listed with the placeholder picture. Progress goes to the run's sink.
class AutomaticMasterSlideDialog : public MasterSlideDialog, private MasterSearchObserver {
 public:
  explicit AutomaticMasterSlideDialog(AutomaticMasterOptions options = {});

  std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile& file) override;

  // The candidates of the last run, with their thumbnails' paths when kept.
  const std::vector<MasterCandidate>& candidates() const { return candidates_; }
  CandidateKind kind() const { return kind_; }

 private:
  void SetTrialLabel(const std::string& text) override;
  void SetListLabel(const std::string& text) override;
  void SetProgress(int percent) override;
  void AddItem(const MasterCandidate& candidate, const Bitmap& thumbnail,
               const std::string& label) override;

  AutomaticMasterOptions options_;
  RecoveryJob* job_ = nullptr;
  std::vector<MasterCandidate> candidates_;
  CandidateKind kind_ = CandidateKind::kDefaultMasterDefaultStore;
};

}  // namespace vlx
