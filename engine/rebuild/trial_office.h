#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/job/result_view.h"
#include "engine/office/office_api.h"

namespace vlx {

class RecoveryJob;

// The one office that previews every trial of a master-slide search. It is started at
// the first trial and quit when the search is over, so a search of many trials costs one
// office, not one per trial. An office that crashes or stops answering under a trial
// is restarted under the run's one-restart rule and the trial is previewed again; when
// that is not possible (the run's restart is spent, or the fresh office fails too) the
// trials left are not previewed and the run is told how many were lost.
class TrialOffice {
 public:
  explicit TrialOffice(RecoveryJob& job);
  ~TrialOffice();
  TrialOffice(const TrialOffice&) = delete;
  TrialOffice& operator=(const TrialOffice&) = delete;

  // The 170 x 120 thumbnail of the trial's first slide; the placeholder picture when
  // the office cannot export; none when the office opens or exports nothing of it, or
  // when no office can serve (Critical Error 017 once, when none can be started).
  std::optional<Bitmap> Preview(const std::string& compound_path);

 private:
  // The office of the trials, started at the first call; nullptr when none starts.
  office::Application* Office();
  // Replaces the office after it failed under a trial; false when it cannot be.
  bool Restart();
  void GiveUp();
  void CountLostTrial();

  RecoveryJob& job_;
  std::shared_ptr<office::Application> app_;
  bool started_ = false;
  bool given_up_ = false;       // no further trial is tried
  bool lost_to_fault_ = false;  // ... because the office failed
};

}  // namespace vlx
