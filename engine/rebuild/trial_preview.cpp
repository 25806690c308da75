#include "engine/rebuild/trial_preview.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/format/record_tree.h"
#include "engine/format/workspace_files.h"
#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"
#include "engine/office/slide_export.h"

namespace vlx {
namespace {
constexpr int kErrorNoOffice = 17;
}

std::optional<Bitmap> PreviewTrialInOffice(RecoveryJob& job, const std::string& compound_path) {
  const TraceLog& trace = job.trace();
  const std::string export_folder = job.workspace().File(kTrialExportFolder);
  trace.Checkpoint(48);
  std::shared_ptr<office::Application> app = StartOffice(job);
  if (!app) {
    ShowCriticalError(job.sink(), kErrorNoOffice);
    return std::nullopt;
  }
  trace.Checkpoint(49);
  bool cannot_export = false;
  std::shared_ptr<office::Presentation> presentation;
  try {
    presentation = app->GetPresentations()->Open(compound_path, 0, 0, 0);
    trace.Checkpoint(50);
    cannot_export = CannotExportJpeg(app->Version());
    if (!cannot_export) {
      RemoveEarlierExport(export_folder);
      presentation->SaveAs(export_folder, office::kFormatJpeg, 1);
    }
    trace.Checkpoint(51);
  } catch (const std::exception&) {
    // A trial the office cannot open or export gets no picture.
    CloseIgnoringErrors(presentation.get());
    QuitIgnoringErrors(app.get());
    return std::nullopt;
  }
  CloseIgnoringErrors(presentation.get());
  trace.Checkpoint(52);
  trace.Checkpoint(53);
  QuitIgnoringErrors(app.get());
  trace.Checkpoint(54);
  if (cannot_export) return job.env.images.PlaceholderBitmap();
  return job.env.images.MakeThumbnail(ExportedSlidePath(export_folder, 1), 170, 120);
}

std::optional<Bitmap> StructuralTrialPreview(RecoveryJob& job, const std::string&) {
  std::ifstream in(job.workspace().File(kTrialStreamFile), std::ios::binary);
  const std::vector<uint8_t> stream{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
  if (!IsWellFormedRecordRun(stream)) return std::nullopt;
  return job.env.images.PlaceholderBitmap();
}

}  // namespace vlx
