#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/found_record.h"
#include "engine/format/slide_text_store.h"
#include "engine/format/template_records.h"
#include "engine/job/progress_sink.h"
#include "engine/job/result_view.h"
#include "engine/job/run_results.h"
#include "engine/job/trace_log.h"
#include "engine/job/workspace.h"

namespace vlx {

namespace office {
class AutomationServer;
class Application;
}  // namespace office
class MasterSlideDialog;
namespace salvage {
class SharedSalvagePlans;
}  // namespace salvage

// The stop request: written by the window's (or signal-handling) thread, read by the
// worker at its test points.
using StopFlag = std::atomic<bool>;

// Everything a run reports to and works with, owned by the front end.
struct RunEnvironment {
  ProgressSink& sink;
  TraceLog& trace;
  StopFlag& stop;
  Workspace& workspace;
  ResultView& view;
  ImageToolkit& images;
  TemplateRecords& templates;                  // lasts across the runs of one program run
  office::AutomationServer* office = nullptr;  // nullptr: no office on this machine
  MasterSlideDialog* master_dialog = nullptr;  // nullptr: the run ends at the master choice
  std::string output_folder;                   // ends in '/'
  std::string folder_prefix = "Rec";
  // Why the last run ended early (a failed write or read, a folder that could not be
  // made); "" when it ran to its end or was stopped. Set by the driver.
  std::string failure = {};
  std::string saved_presentation{};  // set by the driver: what the run saved, or empty
  // Salvage plans a front end lends the runs it makes of one file in a row (auto mode's
  // standard run after its fast run); nullptr: each run plans its own.
  std::shared_ptr<salvage::SharedSalvagePlans> salvage_plans = nullptr;
};

// One run's data. Created by the driver for the length of its call.
class RecoveryJob {
 public:
  explicit RecoveryJob(RunEnvironment& environment) : env(environment) {}
  RecoveryJob(const RecoveryJob&) = delete;
  RecoveryJob& operator=(const RecoveryJob&) = delete;

  bool StopRequested() const { return env.stop.load(std::memory_order_relaxed); }
  ProgressSink& sink() { return env.sink; }
  const TraceLog& trace() const { return env.trace; }
  const Workspace& workspace() const { return env.workspace; }
  TemplateRecords& templates() { return env.templates; }

  RunEnvironment& env;

  // What the run reported to the view, counted.
  RunResults results{env.view};

  // Length of the damaged file (set by the standard pipeline before its scans).
  uint64_t file_length = 0;

  // Where the fast mode's carve found the Document container (a file offset), when it did.
  std::optional<uint64_t> carved_document_at;

  // Found-record lists of the standard mode.
  FoundRecordList drawings;              // PPDrawing 0x040C
  FoundRecordList prog_tags;             // ProgTags 0x1388
  FoundRecordList main_masters;          // MainMaster 0x03F8
  FoundRecordList blip_stores;           // OfficeArt blip store 0xF001
  FoundRecordList slide_lists;           // SlideListWithText 0x0FF0
  std::vector<uint64_t> picture_starts;  // 512-byte blocks that begin like a picture record
  SlideTextStore texts;
  // The first slide of the deck made of the file's own records, rendered: the master
  // choice lists it ("the presentation's own masters") when it is set.
  std::optional<Bitmap> own_masters_preview;
  // Listed before the found masters' trials; after them when it lost most of its slides.
  bool own_masters_first = true;

  // The Application that the standard mode holds open through the rebuild.
  std::shared_ptr<office::Application> held_application;
  // The run has restarted a failed office once; a second fault is not recovered.
  bool office_restarted = false;

  // The damaged file's salvage plans, made by the first stage that needs them (see
  // salvage::SalvagePlansOf).
  std::shared_ptr<salvage::SharedSalvagePlans> salvage_plans{env.salvage_plans};
};

}  // namespace vlx
