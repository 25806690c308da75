#include "engine/rebuild/trial_office.h"

#include <exception>

#include "engine/format/workspace_files.h"
#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"
#include "engine/office/office_restart.h"
#include "engine/office/slide_export.h"

namespace vlx {
namespace {

constexpr int kErrorNoOffice = 17;
constexpr const char* kLostTrials = "master-slide trials not previewed";

// One trial on a running office: open, export the slides, close. Errors of the office
// or of the trial end in no picture; the office is left running.
std::optional<Bitmap> PreviewOn(RecoveryJob& job, office::Application& app,
                                const std::string& compound_path) {
  const TraceLog& trace = job.trace();
  const std::string export_folder = job.workspace().File(kTrialExportFolder);
  trace.Checkpoint(49);
  bool cannot_export = false;
  std::shared_ptr<office::Presentation> presentation;
  try {
    presentation = app.GetPresentations()->Open(compound_path, 0, 0, 0);
    trace.Checkpoint(50);
    cannot_export = CannotExportJpeg(app.Version());
    if (!cannot_export) {
      RemoveEarlierExport(export_folder);
      presentation->SaveAs(export_folder, office::kFormatJpeg, 1);
    }
    trace.Checkpoint(51);
  } catch (const std::exception&) {
    // A trial the office cannot open or export gets no picture.
    CloseIgnoringErrors(presentation.get());
    return std::nullopt;
  }
  CloseIgnoringErrors(presentation.get());
  trace.Checkpoint(52);
  trace.Checkpoint(53);
  trace.Checkpoint(54);
  if (cannot_export) return job.env.images.PlaceholderBitmap();
  return job.env.images.MakeThumbnail(ExportedSlidePath(export_folder, 1), kSlideThumbnailWidth,
                                      kSlideThumbnailHeight);
}

}  // namespace

TrialOffice::TrialOffice(RecoveryJob& job) : job_(job) {}

TrialOffice::~TrialOffice() {
  QuitIgnoringErrors(app_.get());
}

office::Application* TrialOffice::Office() {
  if (started_) return app_.get();
  started_ = true;
  const int mark = OfficeFaultMark();
  app_ = StartOffice(job_);
  // An office that was noted as failing to start falls under the restart rule too.
  if (!app_ && OfficeFailedSince(mark)) app_ = RestartFailedOffice(job_);
  if (!app_) {
    ShowCriticalError(job_.sink(), kErrorNoOffice);
    given_up_ = true;
    lost_to_fault_ = OfficeFailedSince(mark);
  }
  return app_.get();
}

bool TrialOffice::Restart() {
  QuitIgnoringErrors(app_.get());
  app_ = RestartFailedOffice(job_);
  return app_ != nullptr;
}

void TrialOffice::GiveUp() {
  given_up_ = true;
  lost_to_fault_ = true;
  QuitIgnoringErrors(app_.get());
  app_.reset();
  job_.sink().AppendLog(
      "The office failed again: the remaining master-slide trials are not "
      "previewed.\r\n");
}

void TrialOffice::CountLostTrial() {
  CountOfficeLoss(kLostTrials);
}

std::optional<Bitmap> TrialOffice::Preview(const std::string& compound_path) {
  job_.trace().Checkpoint(48);
  office::Application* app = given_up_ ? nullptr : Office();
  if (app == nullptr) {
    // Only trials lost to an office fault are counted: on a machine whose office is
    // simply absent there was nothing to lose.
    if (lost_to_fault_) CountLostTrial();
    return std::nullopt;
  }
  const int mark = OfficeFaultMark();
  std::optional<Bitmap> picture = PreviewOn(job_, *app, compound_path);
  if (!OfficeFailedSince(mark)) return picture;

  // The office failed under this trial: a fresh one previews it again, once per run.
  if (!Restart()) {
    GiveUp();
    CountLostTrial();
    return std::nullopt;
  }
  const int again = OfficeFaultMark();
  picture = PreviewOn(job_, *app_, compound_path);
  if (OfficeFailedSince(again)) {
    GiveUp();
    CountLostTrial();
    return std::nullopt;
  }
  NoteRedoneAfterRestart("the master-slide trial it was previewing was previewed again");
  return picture;
}

}  // namespace vlx
