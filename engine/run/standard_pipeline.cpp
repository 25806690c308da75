#include "engine/run/standard_pipeline.h"

#include <optional>

#include "engine/format/workspace_files.h"
#include "engine/office/held_office.h"
#include "engine/office/office_api.h"
#include "engine/office/text_slide_writer.h"
#include "engine/rebuild/apply_master_choice.h"
#include "engine/rebuild/carried_text_filter.h"
#include "engine/rebuild/presentation_rebuild.h"
#include "engine/run/own_deck_offer.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/slide_text_files.h"
#include "engine/scan/text_census.h"

namespace vlx {
namespace {

// Quits and drops the office the run held through the rebuild; its errors do not matter
// any more at this point.
void ReleaseHeldOffice(RecoveryJob& job) {
  std::shared_ptr<office::Application> app = std::move(job.held_application);
  job.held_application.reset();
  if (!app) return;
  try {
    app->Quit();
  } catch (const office::AutomationError&) {
  }
}

// The record scans: picture stream, slide structures, slide texts. They do not look at
// the stop flag.
void ScanDamagedFile(RecoveryJob& job, DamagedFile& file) {
  ProgressSink& sink = job.sink();
  sink.AppendLog("Repairing phase 1................\r\n");
  sink.AppendLog("Finding All Possible Slide Data ................\r\n");
  job.file_length = file.GetLength();

  sink.AppendLog("Finding All Pictures , clipart objects ................\r\n");
  sink.SetStatus("searching for images...");
  job.trace().Checkpoint(9);
  SearchPictureStream(job, file);

  sink.AppendLog("Finding All Slide data................\r\n");
  sink.SetStatus("searching for slides...");
  ScanSlideStructures(job, file);

  sink.SetStatus("searching for text...");
  job.trace().Checkpoint(14);
  ScanSlideTexts(job, file);
  job.trace().Checkpoint(17);
  SaveSlideTexts(job, job.env.output_folder);
}

// The master-slide choice; nullopt when it was cancelled or nothing can choose.
std::optional<MasterChoice> ChooseMaster(RecoveryJob& job, DamagedFile& file) {
  job.sink().SetStatus("searching for master slide...");
  if (job.env.master_dialog == nullptr) return std::nullopt;
  return job.env.master_dialog->Run(job, file);
}

}  // namespace

void RunStandardPipeline(RecoveryJob& job, DamagedFile& file) {
  ProgressSink& sink = job.sink();
  const TraceLog& trace = job.trace();
  trace.Checkpoint(8);
  job.workspace().Create();

  ScanDamagedFile(job, file);
  if (job.StopRequested()) return;

  // The deck of the file's own records is offered first: where it verifies, the user
  // gets the presentation's own slides, masters and layout back.
  const std::optional<OwnDeckOffer> own = OfferOwnRecordsDeck(job, file);
  if (job.StopRequested()) return;

  const std::optional<MasterChoice> choice = ChooseMaster(job, file);
  if (!choice) {
    job.results.RecordDeclined();
    return;
  }
  if (choice->own_masters && own) {
    // The milestones of the rebuild path, so a trace reads the same way on both.
    for (int n : {66, 72, 99, 100}) trace.Checkpoint(n);
    const std::string path = job.env.output_folder + kStandardResultName;
    if (!SaveOwnRecordsDeck(job, file, *own, path)) {
      if (!job.StopRequested()) sink.SetStatus("No presentation saved");
      return;
    }
    job.results.RecordSaved(path);
    sink.SetStatus("Saving complete...");
    return;
  }

  trace.Checkpoint(66);
  ApplyMasterChoice(job, file, *choice);
  if (job.StopRequested()) return;

  trace.Checkpoint(72);
  sink.SetStatus("Writing text data in slide...");
  LeaveDataSlidesOnlyForUncarriedTexts(job, file);
  WriteTextSlides(job);
  if (job.StopRequested()) return;

  trace.Checkpoint(99);
  HoldPowerPoint(job);
  trace.Checkpoint(100);
  if (job.StopRequested()) {
    ReleaseHeldOffice(job);
    return;
  }

  sink.SetStatus("Writing objects data in slide...");
  RebuildOptions options;
  options.deck_path = job.env.output_folder + kStandardResultName;
  const RebuildSummary rebuilt = RebuildPresentation(job, file, *choice, options);

  // The repaired deck was saved by the rebuild before its workspace went; what is left
  // of the save is ending the office the run held.
  ReleaseHeldOffice(job);
  if (!rebuilt.deck.written) {
    // Nothing was saved: the end must not claim otherwise.
    sink.SetStatus("No presentation saved");
    return;
  }
  job.results.RecordSaved(options.deck_path);
  if (job.StopRequested()) return;
  sink.SetStatus("Saving complete...");
}

}  // namespace vlx
