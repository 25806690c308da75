#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/run_report.h"
#include "engine/job/recovery_job.h"
#include "engine/job/result_view.h"

namespace vlx::cli {

// The command line's result view. Lists are kept as report entries; every thumbnail it
// is given is written as a JPEG under Thumbnails/ of the run's output folder ("Slide 3.jpg",
// "Data Slide 1.jpg", "Image 2.jpg"). Pictures arrive already saved in their own format.
class ConsoleView : public ResultView {
 public:
  // The environment of the run (for its output folder and picture toolkit); set before
  // the run starts.
  void Attach(RunEnvironment* env) { env_ = env; }
  // Empties the lists for the next run.
  void Clear();

  void Add(const ResultItem& item) override;

  const std::vector<ThumbnailEntry>& slides() const { return slides_; }
  const std::vector<ThumbnailEntry>& data_slides() const { return data_slides_; }
  const std::vector<PictureEntry>& pictures() const { return pictures_; }
  void ReportOutcome(const RecoveryOutcome& outcome) override { outcome_ = outcome; }
  const std::optional<RecoveryOutcome>& outcome() const { return outcome_; }
  const std::vector<TextEntry>& texts() const { return texts_; }

 private:
  std::string WriteThumbnail(const ResultItem& item);
  size_t ListSize(ResultList list) const;

  RunEnvironment* env_ = nullptr;
  std::vector<ThumbnailEntry> slides_;
  std::vector<ThumbnailEntry> data_slides_;
  std::vector<PictureEntry> pictures_;
  std::optional<RecoveryOutcome> outcome_;
  std::vector<TextEntry> texts_;
};

// "Slide 3.jpg", "Data Slide 1.jpg", "Image 2.jpg": the list's name and the number at the
// end of the label ("Data Slide1" and "Data Slide 1" both give "Data Slide 1.jpg"); a
// label without a number takes fallback_number.
std::string ThumbnailFileName(ResultList list, const std::string& label, int fallback_number);

}  // namespace vlx::cli
