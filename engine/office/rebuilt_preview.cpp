#include "engine/office/rebuilt_preview.h"

#include <exception>
#include <optional>

#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"
#include "engine/office/office_restart.h"
#include "engine/office/slide_export.h"

namespace vlx {

namespace {

constexpr int kErrorNoOffice = 33;

// One preview, from an Application that has been started.
class RebuiltPreview {
 public:
  // A held office (`keep_running`) is used without being quit: the run ends it.
  RebuiltPreview(RecoveryJob& job, std::shared_ptr<office::Application> app, bool keep_running)
      : job_(job),
        trace_(job.trace()),
        app_(std::move(app)),
        keep_running_(keep_running),
        export_folder_(job.workspace().File("vlxpptuu")) {}

  void Run(const std::string& path) {
    trace_.Checkpoint(145);
    trace_.Checkpoint(146);
    std::shared_ptr<office::Presentations> presentations;
    try {
      presentations = app_->GetPresentations();
    } catch (const std::exception&) {
      EndOffice();
      trace_.Checkpoint(153);
      return;
    }
    trace_.Checkpoint(147);
    try {
      if (!OpenExportAndEnd(*presentations, path)) return;
    } catch (const std::exception&) {
      trace_.Checkpoint(152);
      if (!closed_) CloseIgnoringErrors(presentation_.get());
      if (!quit_) EndOffice();
      trace_.Checkpoint(153);
      return;
    }
    List();
    trace_.Checkpoint(153);
  }

 private:
  // False when the export failed (everything already ended).
  bool OpenExportAndEnd(office::Presentations& presentations, const std::string& path) {
    presentation_ = presentations.Open(path, 0, 0, 0);
    presentation_->GetSlides();
    presentation_->SetDisplayComments(0);
    trace_.Checkpoint(148);
    cannot_export_ = CannotExportJpeg(app_->Version());
    if (!cannot_export_) {
      RemoveEarlierExport(export_folder_);
      try {
        presentation_->SaveAs(export_folder_, office::kFormatJpeg, 1);
      } catch (const std::exception&) {
        CloseIgnoringErrors(presentation_.get());
        EndOffice();
        trace_.Checkpoint(148);
        return false;
      }
    }
    presentation_->Close();
    closed_ = true;
    trace_.Checkpoint(149);
    if (!keep_running_) app_->Quit();
    quit_ = true;
    app_.reset();
    trace_.Checkpoint(150);
    return true;
  }

  void List() {
    trace_.Checkpoint(151);
    const int count = job_.results.Count(ResultList::kSlides);
    std::optional<Bitmap> bitmap =
        cannot_export_ ? std::optional<Bitmap>(job_.env.images.StockBitmap())
                       : job_.env.images.MakeThumbnail(ExportedSlidePath(export_folder_, 1),
                                                       kSlideThumbnailWidth, kSlideThumbnailHeight);
    if (!bitmap) return;
    // Items are numbered from 1, like the data-slide and picture lists.
    const std::string label = "Slide " + std::to_string(count + 1);
    job_.results.Report(SlideItem(ResultList::kSlides, label, std::move(*bitmap), count));
    trace_.Checkpoint(152);
    job_.sink().AppendLog("    Recovered " + label + "\r\n");
  }

  void EndOffice() {
    if (!keep_running_) QuitIgnoringErrors(app_.get());
  }

  RecoveryJob& job_;
  const TraceLog& trace_;
  std::shared_ptr<office::Application> app_;
  const bool keep_running_;
  const std::string export_folder_;
  std::shared_ptr<office::Presentation> presentation_;
  bool cannot_export_ = false;
  bool closed_ = false;
  bool quit_ = false;
};

}  // namespace

void PreviewRebuiltPresentation(RecoveryJob& job, const std::string& path) {
  job.trace().Checkpoint(144);
  const int mark = OfficeFaultMark();
  const int listed = job.results.Count(ResultList::kSlides);
  // The office the run holds through the rebuild serves every drawing; only without one
  // is an office started (and ended) for this preview.
  if (job.held_application) {
    RebuiltPreview(job, job.held_application, true).Run(path);
  } else {
    auto app = StartOffice(job);
    if (!app) {
      ShowCriticalError(job.sink(), kErrorNoOffice);
      return;
    }
    RebuiltPreview(job, std::move(app), false).Run(path);
  }
  if (!OfficeFailedSince(mark) || job.results.Count(ResultList::kSlides) != listed) return;
  // The office failed on this slide: a restarted one (held in place of the failed one)
  // previews it again, once per run.
  std::shared_ptr<office::Application> fresh = RestartFailedOffice(job);
  if (!fresh) {
    NoteOfficeLoss("slides of the rebuilt presentation not rendered");
    return;
  }
  const bool held = job.held_application != nullptr;
  if (held) job.held_application = fresh;
  const int again = OfficeFaultMark();
  RebuiltPreview(job, std::move(fresh), held).Run(path);
  if (OfficeFailedSince(again) || job.results.Count(ResultList::kSlides) == listed) {
    NoteOfficeLoss("slides of the rebuilt presentation not rendered");
    return;
  }
  NoteRedoneAfterRestart("the slide it was rendering was rendered again");
}

}  // namespace vlx
