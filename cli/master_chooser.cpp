#include "cli/master_chooser.h"

#include "engine/job/recovery_job.h"
#include "engine/rebuild/automatic_master_dialog.h"

namespace vlx::cli {
namespace {

const char* KindText(CandidateKind kind) {
  switch (kind) {
    case CandidateKind::kFoundMasterFoundStore:
      return "found master, found blip store";
    case CandidateKind::kDefaultMasterFoundStore:
      return "default master, found blip store";
    case CandidateKind::kDefaultMasterDefaultStore:
      return "default master, default blip store";
    case CandidateKind::kFoundMasterDefaultStore:
      return "found master, default blip store";
  }
  return "";
}

}  // namespace

MasterChooser::MasterChooser(int number, bool list) : number_(number), list_(list) {}

MasterChooser::~MasterChooser() = default;

std::optional<MasterChoice> MasterChooser::Run(RecoveryJob& job, DamagedFile& file) {
  AutomaticMasterOptions options;
  options.pick = number_;
  // The previews are kept only when they are listed; they go with the run's results.
  if (list_) options.thumbnail_folder = job.env.output_folder + "Masters";
  AutomaticMasterSlideDialog dialog(options);
  std::optional<MasterChoice> choice = dialog.Run(job, file);
  listed_.clear();
  for (const MasterCandidate& candidate : dialog.candidates()) {
    listed_.push_back(MasterEntry{
        static_cast<int>(listed_.size()) + 1,
        candidate.own_masters ? "the presentation's own masters" : KindText(dialog.kind()),
        candidate.thumbnail_path});
  }
  // A listing is all that was asked for: the run stops at the choice.
  if (list_) return std::nullopt;
  return choice;
}

void MasterChooser::Report(RunRecord& run, std::FILE* listing) {
  if (run.mode != "standard") return;
  std::vector<MasterEntry> listed;
  listed.swap(listed_);
  if (!list_) return;
  run.masters = std::move(listed);
  if (listing == nullptr) return;
  for (const MasterEntry& master : run.masters) {
    std::fprintf(listing, "Master Slide %d (%s): %s\n", master.number, master.kind.c_str(),
                 master.thumbnail.empty() ? "no picture" : master.thumbnail.c_str());
  }
}

}  // namespace vlx::cli
