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
// "Data Slide 1.jpg", "Image 2.jpg"). Each extracted picture is saved in its original
// format as Pictures/Image<N>.<ext> before the temporary files go, then handed to the
// default picture-thumbnail stage.
class ConsoleView : public ResultView {
 public:
  // The environment of the run (for its output folder, picture toolkit and sink); set
  // before the run starts.
  void Attach(RunEnvironment* env) { env_ = env; }
  // Empties the lists for the next run.
  void Clear();

  int ItemCount(ResultList list) override;
  void AddThumbnail(ResultList list, const Bitmap& bitmap, int position,
                    const std::string& label) override;
  void AddPicture(const std::string& picture_path, const std::string& jpeg_path,
                  const std::string& extension, const std::string& output_folder) override;

  const std::vector<ThumbnailEntry>& slides() const { return slides_; }
  const std::vector<ThumbnailEntry>& data_slides() const { return data_slides_; }
  const std::vector<PictureEntry>& pictures() const { return pictures_; }
  void ReportOutcome(const RecoveryOutcome& outcome) override { outcome_ = outcome; }
  const std::optional<RecoveryOutcome>& outcome() const { return outcome_; }

 private:
  std::string WriteThumbnail(ResultList list, const Bitmap& bitmap, const std::string& label);

  RunEnvironment* env_ = nullptr;
  std::vector<ThumbnailEntry> slides_;
  std::vector<ThumbnailEntry> data_slides_;
  std::vector<PictureEntry> pictures_;
  std::optional<RecoveryOutcome> outcome_;
  bool adding_picture_ = false;
  std::string picture_thumbnail_;  // written during the current AddPicture call
  bool picture_listed_ = false;
};

// "Slide 3.jpg", "Data Slide 1.jpg", "Image 2.jpg": the list's name and the number at the
// end of the label ("Data Slide1" and "Data Slide 1" both give "Data Slide 1.jpg"); a
// label without a number takes fallback_number.
std::string ThumbnailFileName(ResultList list, const std::string& label, int fallback_number);

// The saved picture's extension: the extraction's, in lower case ("Jpg" -> "jpg").
std::string SavedPictureExtension(const std::string& extension);

}  // namespace vlx::cli
