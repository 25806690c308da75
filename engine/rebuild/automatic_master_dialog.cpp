#include "engine/rebuild/automatic_master_dialog.h"

#include <filesystem>

#include "engine/job/recovery_job.h"

namespace vlx {

AutomaticMasterSlideDialog::AutomaticMasterSlideDialog(AutomaticMasterOptions options)
    : options_(std::move(options)) {}

std::optional<MasterChoice> AutomaticMasterSlideDialog::Run(RecoveryJob& job, DamagedFile& file) {
  job_ = &job;
  candidates_.clear();
  if (!options_.thumbnail_folder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(options_.thumbnail_folder, ignored);
  }
  TrialPreview preview =
      job.env.office != nullptr ? OfficeTrialPreview() : TrialPreview(StructuralTrialPreview);
  MasterSlideSearch search(job, file, *this, job.env.stop, std::move(preview));
  const MasterSearchResult result = search.SearchMasterSlides();
  job_ = nullptr;
  kind_ = result.kind;
  if (candidates_.empty()) {
    if (job.StopRequested()) return std::nullopt;
    // Not even the default trial gave a preview (the office opens nothing): the run
    // goes on with the two default blocks rather than ending without a result.
    job.sink().AppendLog("No master slide could be previewed; using the default master slide\r\n");
    return MasterChoice{};
  }

  size_t pick = 0;
  if (options_.pick >= 1 && static_cast<size_t>(options_.pick) <= candidates_.size()) {
    pick = static_cast<size_t>(options_.pick) - 1;
  } else {
    job.sink().AppendLog("Master Slide " + std::to_string(options_.pick) +
                         " is not in the list of " + std::to_string(candidates_.size()) +
                         "; using Master Slide 1\r\n");
  }
  const MasterCandidate& chosen = candidates_[pick];
  MasterChoice choice;
  choice.kind = result.kind;
  choice.master_offset = chosen.master_offset;
  choice.master_length = chosen.master_length;
  choice.blip_store_offset = chosen.blip_store_offset;
  choice.blip_store_length = chosen.blip_store_length;
  choice.own_masters = chosen.own_masters;
  return choice;
}

void AutomaticMasterSlideDialog::SetTrialLabel(const std::string&) {}

void AutomaticMasterSlideDialog::SetListLabel(const std::string& text) {
  job_->sink().SetCounter(text);
}

void AutomaticMasterSlideDialog::SetProgress(int percent) {
  job_->sink().SetProgress(percent);
}

void AutomaticMasterSlideDialog::AddItem(const MasterCandidate& candidate, const Bitmap& thumbnail,
                                         const std::string& label) {
  MasterCandidate kept = candidate;
  if (!options_.thumbnail_folder.empty()) {
    std::string folder = options_.thumbnail_folder;
    if (folder.back() != '/') folder.push_back('/');
    const std::string path = folder + label + ".jpg";
    if (job_->env.images.SaveJpeg(thumbnail, path)) kept.thumbnail_path = path;
  }
  candidates_.push_back(std::move(kept));
}

}  // namespace vlx
