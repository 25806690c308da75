#include "engine/run/fast_pipeline.h"

#include <algorithm>
#include <memory>
#include <string>

#include "engine/office/office_api.h"
#include "engine/office/slide_export.h"
#include "engine/fast/assemble_compound.h"
#include "engine/fast/carve_output_file.h"
#include "engine/fast/carve_streams.h"
#include "engine/job/folder_tree.h"
#include "engine/job/messages.h"
#include "engine/format/workspace_files.h"

namespace vlx {
namespace {


// The paths of the fourth phase, all but the result inside the workspace.
struct FastPaths {
  explicit FastPaths(const RecoveryJob& job)
      : document(job.workspace().File(kCarvedDocumentFile)),
        user(job.workspace().File(kCarvedCurrentUserFile)),
        pictures(job.workspace().File(kCarvedPicturesFile)),
        compound(job.workspace().File(kAssembledCompoundFile)),
        export_folder(compound + "ff"),
        result(job.env.output_folder + kFastResultName) {}

  std::string SlideImage(int n) const {
    return ExportedSlidePath(export_folder, n);
  }

  std::string document, user, pictures, compound, export_folder, result;
};

// The carved workspace files, open for reading; a file that cannot be opened is null.
struct CarvedFiles {
  explicit CarvedFiles(const FastPaths& paths)
      : pictures(DamagedFile::Open(paths.pictures)),
        document(DamagedFile::Open(paths.document)),
        user(DamagedFile::Open(paths.user)) {}

  bool HasDocument() const { return document && document->GetLength() > 0; }

  std::unique_ptr<DamagedFile> pictures, document, user;
};

// One thumbnail per exported slide, with its log line. Returns normally on a stop.
void ListSlides(RecoveryJob& job, office::Application& app, const FastPaths& paths, int count) {
  for (int n = 1; n <= count; ++n) {
    if (job.StopRequested()) break;
    job.sink().SetProgress(Percent(static_cast<uint64_t>(n), static_cast<uint64_t>(count)));
    job.sink().SetCounter(CounterText(n, count));
    std::optional<Bitmap> thumbnail =
        job.env.images.MakeThumbnail(paths.SlideImage(n), kSlideThumbnailWidth,
                                     kSlideThumbnailHeight);
    // A server that cannot export pictures gets the built-in placeholder.
    if (CannotExportJpeg(app.Version()))
      thumbnail = job.env.images.PlaceholderBitmap();
    if (!thumbnail) continue;
    const std::string caption = "Slide " + std::to_string(n);
    job.results.Report(SlideItem(ResultList::kSlides, caption, std::move(*thumbnail), std::min(n, job.results.Count(ResultList::kSlides))));
    job.sink().AppendLog("    Recovered " + caption + "\r\n");
  }
}

// The office part of the fourth phase. Returns true when the office saved the result.
// Any automation error ends it quietly; the office is still asked to close and quit.
bool OpenListAndSave(RecoveryJob& job, const FastPaths& paths) {
  std::shared_ptr<office::Application> app;
  try {
    if (job.env.office == nullptr) throw office::AutomationError("no office on this machine");
    app = job.env.office->CreateApplication(office::kProgId);
  } catch (const office::AutomationError&) {
    ShowCriticalError(job.sink(), 8);
    return false;
  }
  std::shared_ptr<office::Presentation> presentation;
  try {
    auto presentations = app->GetPresentations();
    job.sink().SetStatus("Checking integrity...");
    presentation = presentations->Open(paths.compound, 0, 0, 0);
    const int count = presentation->GetSlides()->Count();
    presentation->SaveAs(paths.export_folder, office::kFormatJpeg, 1);
    job.sink().SetStatus("Recovering Slides...");
    ListSlides(job, *app, paths, count);
    DeleteFolderTree(paths.export_folder);
    presentation->SaveAs(paths.result, office::kFormatDefault, 1);
    presentation->Close();
    presentation.reset();
    app->Quit();
    return true;
  } catch (const office::AutomationError&) {
    // Leave no office running behind an error.
    try {
      if (presentation) presentation->Close();
    } catch (const office::AutomationError&) {
    }
    try {
      app->Quit();
    } catch (const office::AutomationError&) {
    }
    return false;
  }
}

// Without the office's save, the user still gets the assembled file.
bool SaveAssembledCopy(RecoveryJob& job, const FastPaths& paths) {
  auto compound = DamagedFile::Open(paths.compound);
  std::string why = "the assembled file is missing";
  if (compound && CopyTailToFile(*compound, 0, paths.result, 0644, &why)) return true;
  job.sink().AppendLog("Cannot save " + paths.result + ": " + why + "\r\n");
  return false;
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
  {
    CarvedFiles carved(paths);
    sink.SetStatus("Analyzing Phase 4...");
    AssembleCompound(job, carved.pictures.get(), carved.document.get(), paths.compound);
    bool saved = OpenListAndSave(job, paths);
    if (!saved && carved.HasDocument()) saved = SaveAssembledCopy(job, paths);
    if (saved) sink.SetStatus("Saving complete...");
  }
  job.workspace().Delete();
}

}  // namespace vlx
