#include "engine/run/deck_export.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "engine/fast/carve_output_file.h"
#include "engine/job/folder_tree.h"
#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/office/office_api.h"
#include "engine/office/office_restart.h"
#include "engine/office/slide_export.h"
#include "engine/run/thumbnails_in_pairs.h"

namespace vlx {
namespace {

// One open and export on app. Any automation error ends it quietly; the office is still
// asked to close and quit.
DeckExport ExportOn(RecoveryJob& job, office::Application& app, const std::string& path,
                    const std::string& export_folder) {
  DeckExport result;
  result.folder = export_folder;
  std::shared_ptr<office::Presentation> presentation;
  try {
    auto presentations = app.GetPresentations();
    job.sink().SetStatus("Checking integrity...");
    presentation = presentations->Open(path, 0, 0, 0);
    result.slides = presentation->GetSlides()->Count();
    presentation->SaveAs(export_folder, office::kFormatJpeg, 1);
    result.placeholders = CannotExportJpeg(app.Version());
    presentation->Close();
    presentation.reset();
    app.Quit();
    result.verdict = OfficeVerdict::kOpened;
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
    DeleteFolderTree(export_folder);
    result.slides = 0;
    result.verdict = OfficeVerdict::kRefused;
  }
  return result;
}

}  // namespace

DeckExport ExportDeckSlides(RecoveryJob& job, const std::string& path,
                            const std::string& export_folder) {
  std::shared_ptr<office::Application> app;
  try {
    if (job.env.office == nullptr) throw office::AutomationError("no office on this machine");
    app = job.env.office->CreateApplication(office::kProgId);
  } catch (const office::AutomationError&) {
    ShowCriticalError(job.sink(), 8);
    return DeckExport{};
  }
  int mark = OfficeFaultMark();
  DeckExport result = ExportOn(job, *app, path, export_folder);
  if (!OfficeFailedSince(mark)) return result;
  if (result.verdict == OfficeVerdict::kOpened) return result;
  std::shared_ptr<office::Application> fresh = RestartFailedOffice(job);
  if (!fresh) {
    result.verdict = OfficeVerdict::kFailed;
    return result;
  }
  mark = OfficeFaultMark();
  result = ExportOn(job, *fresh, path, export_folder);
  if (OfficeFailedSince(mark) && result.verdict != OfficeVerdict::kOpened)
    result.verdict = OfficeVerdict::kFailed;
  if (result.verdict == OfficeVerdict::kOpened)
    NoteRedoneAfterRestart("the slides were rendered again");
  return result;
}

void ListExportedSlides(RecoveryJob& job, const DeckExport& exported) {
  job.sink().SetStatus("Recovering Slides...");
  const int count = exported.slides;
  ThumbnailsInPairs thumbnails(
      job.env.images, [&](int n) { return ExportedSlidePath(exported.folder, n); },
      exported.placeholders ? 0 : count, kSlideThumbnailWidth, kSlideThumbnailHeight);
  for (int n = 1; n <= count; ++n) {
    if (job.StopRequested()) break;
    job.sink().SetProgress(Percent(static_cast<uint64_t>(n), static_cast<uint64_t>(count)));
    job.sink().SetCounter(CounterText(n, count));
    std::optional<Bitmap> thumbnail =
        exported.placeholders ? job.env.images.PlaceholderBitmap() : thumbnails.Take(n);
    if (!thumbnail) continue;
    const std::string caption = "Slide " + std::to_string(n);
    job.results.Report(SlideItem(ResultList::kSlides, caption, std::move(*thumbnail),
                                 std::min(n, job.results.Count(ResultList::kSlides))));
    job.sink().AppendLog("    Recovered " + caption + "\r\n");
  }
}

bool SaveDeckCopy(RecoveryJob& job, const std::string& assembled, const std::string& result) {
  auto compound = DamagedFile::Open(assembled);
  std::string why = "the assembled file is missing";
  if (compound && CopyTailToFile(*compound, 0, result, 0644, &why)) return true;
  job.sink().AppendLog("Cannot save " + result + ": " + why + "\r\n");
  return false;
}

}  // namespace vlx
