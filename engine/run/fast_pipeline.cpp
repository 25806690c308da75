#include "engine/run/fast_pipeline.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "engine/fast/candidate_check.h"
#include "engine/fast/candidate_compound.h"
#include "engine/fast/carve_streams.h"
#include "engine/fast/stream_candidate.h"
#include "engine/format/workspace_files.h"
#include "engine/job/folder_tree.h"
#include "engine/job/office_fault.h"
#include "engine/run/candidate_picture_mending.h"
#include "engine/run/deck_export.h"

namespace vlx {
namespace {

constexpr size_t kMaxSalvageCandidates = 3;

// The paths of the fourth phase, all but the result inside the workspace.
struct FastPaths {
  explicit FastPaths(const RecoveryJob& job)
      : document(job.workspace().File(kCarvedDocumentFile)),
        user(job.workspace().File(kCarvedCurrentUserFile)),
        pictures(job.workspace().File(kCarvedPicturesFile)),
        compound(job.workspace().File(kAssembledCompoundFile)),
        export_folder(compound + "ff") {}

  std::string document, user, pictures, compound, export_folder;
};

void Note(RecoveryJob& job, const std::string& line) {
  job.sink().AppendLog("    " + line + "\r\n");
  if (job.trace().enabled()) job.trace().Trace(line + "\r\n");
}

// The candidate whose document verifies, the file's own streams read back through what
// is left of its compound structures before the carved streams. A candidate whose own
// Current User names its newest edit goes before one that needed the Current User
// rebuilt: a stream that lost the edit its Current User names is most likely a stale
// or foreign run of sectors that happens to hold whole records.
std::optional<StreamCandidate> ChooseVerified(RecoveryJob& job, DamagedFile& file,
                                              RecoveryOutcome& outcome) {
  std::vector<StreamCandidate> candidates = SalvageCandidates(job, file, kMaxSalvageCandidates);
  candidates.push_back(CarvedCandidate(job, file));
  std::string failures;
  std::optional<size_t> chosen;
  salvage::PresentationCheck chosen_check;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (job.StopRequested()) break;
    StreamCandidate& candidate = candidates[i];
    const salvage::PresentationCheck check =
        CheckCandidate(job, candidate, "rebuilt-current-user" + std::to_string(i));
    Note(job, "Check of the " + candidate.method + ": " + check.Summary());
    if (!check.verified) {
      failures += (failures.empty() ? "" : "; ") + candidate.method + ": " + check.failure;
      continue;
    }
    if (!chosen) {
      chosen = i;
      chosen_check = check;
    }
    if (check.current_user_names_edit) {
      chosen = i;
      chosen_check = check;
      break;
    }
  }
  if (!chosen) {
    outcome.verdict =
        failures.empty() ? "stopped before any check" : "nothing verified: " + failures;
    return std::nullopt;
  }
  StreamCandidate& candidate = candidates[*chosen];
  outcome.method = candidate.method;
  outcome.verified = true;
  outcome.verdict = chosen_check.Summary();
  outcome.checked_slides = chosen_check.slides;
  outcome.repairs = candidate.repairs;
  return std::move(candidate);
}

}  // namespace

FastAssembly AssembleFastDeck(RecoveryJob& job, DamagedFile& file) {
  ProgressSink& sink = job.sink();
  StreamCarving carving(job, file);
  sink.SetStatus("Analyzing Phase 1...");
  carving.CarveDocumentStream();
  sink.SetStatus("Analyzing Phase 2...");
  carving.CarveCurrentUser();
  sink.SetStatus("Analyzing Phase 3...");
  carving.CarvePicturesStream();

  job.workspace().Create();
  const FastPaths paths(job);
  sink.SetStatus("Analyzing Phase 4...");
  FastAssembly assembly;
  std::optional<StreamCandidate> chosen = ChooseVerified(job, file, assembly.outcome);
  if (!chosen) return assembly;
  assembly.verified = true;
  const size_t repairs_before = chosen->repairs.size();
  MendCandidatePictures(job, *chosen);
  assembly.outcome.method = chosen->method;
  assembly.outcome.repairs.insert(
      assembly.outcome.repairs.end(),
      chosen->repairs.begin() + static_cast<std::ptrdiff_t>(repairs_before), chosen->repairs.end());
  for (const std::string& repair : chosen->repairs) Note(job, repair);
  std::string why;
  if (!WriteCandidateCompound(*chosen, paths.compound, &why)) {
    sink.AppendLog("Cannot assemble the presentation: " + why + "\r\n");
    return assembly;
  }
  assembly.assembled = true;
  assembly.compound = paths.compound;
  // A user who stopped the run (while the pictures were extracted, when this runs ahead)
  // does not wait for the office: the check stands for it.
  if (job.StopRequested()) return assembly;
  assembly.exported = ExportDeckSlides(job, paths.compound, paths.export_folder);
  return assembly;
}

void FinishFastDeck(RecoveryJob& job, const FastAssembly& assembly) {
  RecoveryOutcome outcome = assembly.outcome;
  if (!assembly.verified) Note(job, "No stream set verified; nothing is saved in this mode");
  if (assembly.assembled) {
    const DeckExport& exported = assembly.exported;
    const OfficeVerdict verdict = exported.verdict;
    if (verdict == OfficeVerdict::kOpened) ListExportedSlides(job, exported);
    if (!exported.folder.empty()) DeleteFolderTree(exported.folder);
    outcome.opened = verdict == OfficeVerdict::kOpened;
    // Without an office the check stands in for the office's open.
    if (verdict == OfficeVerdict::kRefused)
      Note(job, "The office did not open the assembled presentation");
    // An office that failed said nothing against the file: the check stands in for it,
    // and the slides it did not render are the run's loss.
    if (verdict == OfficeVerdict::kFailed) {
      Note(job, "The office failed; the slides were not all rendered");
      NoteOfficeLoss("the slides of the saved presentation were not all rendered");
    }
    const std::string result = job.env.output_folder + kFastResultName;
    if (verdict != OfficeVerdict::kRefused && SaveDeckCopy(job, assembly.compound, result)) {
      outcome.saved_file = result;
      job.results.RecordSaved(result);
      job.sink().SetStatus("Saving complete...");
    }
  }
  Note(job, "Recovery: " + (outcome.method.empty() ? std::string("none") : outcome.method) + "; " +
                outcome.verdict);
  job.env.view.ReportOutcome(outcome);
  job.workspace().Delete();
}

void RunFastPipeline(RecoveryJob& job, DamagedFile& file) {
  FinishFastDeck(job, AssembleFastDeck(job, file));
}

}  // namespace vlx
