#include "engine/run/fast_pipeline.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "engine/fast/candidate_check.h"
#include "engine/fast/candidate_compound.h"
#include "engine/fast/carve_output_file.h"
#include "engine/fast/carve_streams.h"
#include "engine/fast/stream_candidate.h"
#include "engine/format/workspace_files.h"
#include "engine/job/folder_tree.h"
#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/office/office_api.h"
#include "engine/office/office_restart.h"
#include "engine/office/slide_export.h"

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
        export_folder(compound + "ff"),
        result(job.env.output_folder + kFastResultName) {}

  std::string SlideImage(int n) const { return ExportedSlidePath(export_folder, n); }

  std::string document, user, pictures, compound, export_folder, result;
};

// One thumbnail per exported slide, with its log line. Returns normally on a stop.
void ListSlides(RecoveryJob& job, office::Application& app, const FastPaths& paths, int count) {
  for (int n = 1; n <= count; ++n) {
    if (job.StopRequested()) break;
    job.sink().SetProgress(Percent(static_cast<uint64_t>(n), static_cast<uint64_t>(count)));
    job.sink().SetCounter(CounterText(n, count));
    std::optional<Bitmap> thumbnail = job.env.images.MakeThumbnail(
        paths.SlideImage(n), kSlideThumbnailWidth, kSlideThumbnailHeight);
    // A server that cannot export pictures gets the built-in placeholder.
    if (CannotExportJpeg(app.Version())) thumbnail = job.env.images.PlaceholderBitmap();
    if (!thumbnail) continue;
    const std::string caption = "Slide " + std::to_string(n);
    job.results.Report(SlideItem(ResultList::kSlides, caption, std::move(*thumbnail),
                                 std::min(n, job.results.Count(ResultList::kSlides))));
    job.sink().AppendLog("    Recovered " + caption + "\r\n");
  }
}

// What the office made of the assembled file. kFailed: the office crashed or stopped
// answering, twice or past a restart, so it said nothing about the file.
enum class OfficeVerdict { kUnavailable, kOpened, kRefused, kFailed };

// Opens the assembled file, lists one thumbnail per slide and closes it. Any
// automation error ends it quietly; the office is still asked to close and quit.
OfficeVerdict OpenAndListOn(RecoveryJob& job, office::Application& app, const FastPaths& paths) {
  std::shared_ptr<office::Presentation> presentation;
  try {
    auto presentations = app.GetPresentations();
    job.sink().SetStatus("Checking integrity...");
    presentation = presentations->Open(paths.compound, 0, 0, 0);
    const int count = presentation->GetSlides()->Count();
    presentation->SaveAs(paths.export_folder, office::kFormatJpeg, 1);
    job.sink().SetStatus("Recovering Slides...");
    ListSlides(job, app, paths, count);
    DeleteFolderTree(paths.export_folder);
    presentation->Close();
    presentation.reset();
    app.Quit();
    return OfficeVerdict::kOpened;
  } catch (const office::AutomationError&) {
    // Leave no office running behind an error.
    try {
      if (presentation) presentation->Close();
    } catch (const office::AutomationError&) {
    }
    try {
      app.Quit();
    } catch (const office::AutomationError&) {
    }
    DeleteFolderTree(paths.export_folder);
    return OfficeVerdict::kRefused;
  }
}

// The office part of the fourth phase. When the office itself fails before any slide
// is listed, a restarted office opens the file again, once.
OfficeVerdict OpenAndList(RecoveryJob& job, const FastPaths& paths) {
  std::shared_ptr<office::Application> app;
  try {
    if (job.env.office == nullptr) throw office::AutomationError("no office on this machine");
    app = job.env.office->CreateApplication(office::kProgId);
  } catch (const office::AutomationError&) {
    ShowCriticalError(job.sink(), 8);
    return OfficeVerdict::kUnavailable;
  }
  const int listed = job.results.Count(ResultList::kSlides);
  int mark = OfficeFaultMark();
  OfficeVerdict verdict = OpenAndListOn(job, *app, paths);
  if (!OfficeFailedSince(mark)) return verdict;
  if (verdict != OfficeVerdict::kOpened && job.results.Count(ResultList::kSlides) == listed) {
    std::shared_ptr<office::Application> fresh = RestartFailedOffice(job);
    if (!fresh) return OfficeVerdict::kFailed;
    mark = OfficeFaultMark();
    verdict = OpenAndListOn(job, *fresh, paths);
    if (OfficeFailedSince(mark))
      return verdict == OfficeVerdict::kOpened ? verdict : OfficeVerdict::kFailed;
  } else if (verdict != OfficeVerdict::kOpened) {
    // Some slides were listed: a second pass would list them again.
    return OfficeVerdict::kFailed;
  }
  if (verdict == OfficeVerdict::kOpened) NoteRedoneAfterRestart("the slides were rendered again");
  return verdict;
}

// The saved presentation is the assembled file itself: the streams as they were.
bool SaveAssembledCopy(RecoveryJob& job, const FastPaths& paths) {
  auto compound = DamagedFile::Open(paths.compound);
  std::string why = "the assembled file is missing";
  if (compound && CopyTailToFile(*compound, 0, paths.result, 0644, &why)) return true;
  job.sink().AppendLog("Cannot save " + paths.result + ": " + why + "\r\n");
  return false;
}

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

void RunFastPipeline(RecoveryJob& job, DamagedFile& file) {
  ProgressSink& sink = job.sink();
  sink.SetStatus("Analyzing Phase 1...");
  CarveDocumentStream(job, file);
  sink.SetStatus("Analyzing Phase 2...");
  CarveCurrentUser(job, file);
  sink.SetStatus("Analyzing Phase 3...");
  CarvePicturesStream(job, file);

  job.workspace().Create();
  const FastPaths paths(job);
  sink.SetStatus("Analyzing Phase 4...");
  RecoveryOutcome outcome;
  std::optional<StreamCandidate> chosen = ChooseVerified(job, file, outcome);
  if (chosen) {
    for (const std::string& repair : chosen->repairs) Note(job, repair);
    std::string why;
    if (!WriteCandidateCompound(*chosen, paths.compound, &why)) {
      sink.AppendLog("Cannot assemble the presentation: " + why + "\r\n");
    } else {
      const OfficeVerdict verdict = OpenAndList(job, paths);
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
      if (verdict != OfficeVerdict::kRefused && SaveAssembledCopy(job, paths)) {
        outcome.saved_file = paths.result;
        job.results.RecordSaved(paths.result);
        sink.SetStatus("Saving complete...");
      }
    }
  } else {
    Note(job, "No stream set verified; nothing is saved in this mode");
  }
  Note(job, "Recovery: " + (outcome.method.empty() ? std::string("none") : outcome.method) + "; " +
                outcome.verdict);
  job.env.view.ReportOutcome(outcome);
  job.workspace().Delete();
}

}  // namespace vlx
