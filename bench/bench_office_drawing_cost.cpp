// What one found drawing costs the standard mode, next to the office's own open and
// export of the same presentation, in the same run and with the same office kept open.
//
//   build/bench/bench_office_drawing_cost --benchmark_counters_tabular=true
//
// BM_OfficeOpenExportDeck opens a healthy corpus presentation in the running office,
// exports every slide as a picture and closes it: ms_per_slide is its time per slide.
// BM_StandardRebuildPerDrawing rebuilds one document per found slide drawing of the same
// file (on its first main master and blip store) and previews each in the office the run
// holds, as the standard mode does: ms_per_drawing is its time per drawing. The record
// scans run before the timing. The program ends with one line per file giving
// ms_per_drawing / ms_per_slide.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/libreoffice/libreoffice_server.h"
#include "automation/testing/stub_image_toolkit.h"
#include "bench/bench_run_support.h"
#include "engine/job/folder_tree.h"
#include "engine/office/held_office.h"
#include "engine/office/office_api.h"
#include "engine/rebuild/apply_master_choice.h"
#include "engine/rebuild/presentation_rebuild.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/text_census.h"

namespace {

using namespace vlx;

// range(0) picks the file: decks of 2, 19 and 28 slides, and a one-slide deck, whose
// open and export is the office's cost of one slide without sharing the open.
const char* const kFiles[] = {"SampleShow.ppt", "42520.ppt", "bug61881.ppt", "ppt_with_png.ppt"};

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string CorpusFile(int64_t index) {
  return std::string(VLX_CORPUS_DIR) + "/healthy/" + kFiles[index];
}

using bench::QuietSink;
using CountingView = bench::SlideCountingView;

// One office for the whole program, started before the first measurement.
struct Bench {
  Bench() {
    std::string pattern = "/tmp/vlx-bench-drawing-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) scratch = pattern + "/";
    office.CreateApplication(office::kProgId)->Quit();
  }
  ~Bench() { DeleteFolderTree(scratch); }

  RunEnvironment Environment() {
    view.slides = 0;
    return RunEnvironment{sink,      trace,   stop,    workspace, view, images,
                          templates, &office, nullptr, scratch,   "Rec"};
  }

  LibreOfficeServer office{{.log = [](const std::string&) {}}};
  testing::StubImageToolkit images;
  TemplateRecords templates = PristineTemplates();
  QuietSink sink;
  TraceLog trace{"/dev/null", false};
  StopFlag stop{false};
  Workspace workspace{Workspace::Fresh()};
  CountingView view;
  std::string scratch;
  // Milliseconds per slide and per drawing of each file, for the closing ratios.
  std::map<int64_t, double> office_ms_per_slide;
  std::map<int64_t, double> ms_per_drawing;
};

// Ended by main before static destruction: the office server needs the UNO runtime.
std::unique_ptr<Bench>& SharedSlot() {
  static std::unique_ptr<Bench> bench;
  return bench;
}

Bench& Shared() {
  std::unique_ptr<Bench>& bench = SharedSlot();
  if (!bench) bench = std::make_unique<Bench>();
  return *bench;
}

bool Ready(benchmark::State& state, const std::string& path) {
  if (::access(LibreOfficeServer::DefaultOfficeProgram().c_str(), X_OK) != 0) {
    state.SkipWithError("no LibreOffice installed");
    return false;
  }
  if (!std::filesystem::exists(path)) {
    state.SkipWithError(("corpus file not found: " + path).c_str());
    return false;
  }
  return true;
}

void BM_OfficeOpenExportDeck(benchmark::State& state) {
  const std::string path = CorpusFile(state.range(0));
  if (!Ready(state, path)) return;
  Bench& bench = Shared();
  auto app = bench.office.CreateApplication(office::kProgId);
  const std::string folder = bench.scratch + "export";
  int slides = 0;
  double ms = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    auto presentation = app->GetPresentations()->Open(path, 0, 0, 0);
    slides = presentation->GetSlides()->Count();
    presentation->SaveAs(folder, office::kFormatJpeg, 1);
    presentation->Close();
    ms += Milliseconds(Clock::now() - start);
    state.PauseTiming();
    DeleteFolderTree(folder + "/");
    state.ResumeTiming();
  }
  app->Quit();
  if (slides == 0) return state.SkipWithError("the office exported no slide");
  state.counters["slides"] = slides;
  state.counters["ms_per_slide"] = ms / static_cast<double>(state.iterations()) / slides;
}

// The census and the trial of the first found master and blip store, as the standard
// pipeline leaves them before its rebuild.
MasterChoice PrepareRebuild(RecoveryJob& job, DamagedFile& file) {
  job.workspace().Create();
  job.file_length = file.GetLength();
  SearchPictureStream(job, file);
  ScanSlideStructures(job, file);
  ScanSlideTexts(job, file);
  MasterChoice choice;
  if (!job.main_masters.empty() && !job.blip_stores.empty()) {
    const FoundRecord& master = job.main_masters[0];
    const FoundRecord& store = job.blip_stores[0];
    choice.kind = CandidateKind::kFoundMasterFoundStore;
    choice.master_offset = static_cast<uint64_t>(master.offset);
    choice.master_length = static_cast<uint64_t>(master.length) + 8;
    choice.blip_store_offset = static_cast<uint64_t>(store.offset);
    choice.blip_store_length = static_cast<uint64_t>(store.length) + 8;
  }
  ApplyMasterChoice(job, file, choice);
  return choice;
}

void BM_StandardRebuildPerDrawing(benchmark::State& state) {
  const std::string path = CorpusFile(state.range(0));
  if (!Ready(state, path)) return;
  Bench& bench = Shared();
  size_t drawings = 0;
  int listed = 0;
  double ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RunEnvironment env = bench.Environment();
    RecoveryJob job(env);
    std::unique_ptr<DamagedFile> file = DamagedFile::Open(path);
    if (!file) return state.SkipWithError(("cannot open " + path).c_str());
    const MasterChoice choice = PrepareRebuild(job, *file);
    HoldPowerPoint(job);
    state.ResumeTiming();

    const Clock::time_point start = Clock::now();
    const RebuildSummary summary = RebuildPresentation(job, *file, choice);
    ms += Milliseconds(Clock::now() - start);

    state.PauseTiming();
    if (job.held_application) job.held_application->Quit();
    job.held_application.reset();
    drawings += summary.drawings_handled;
    listed += bench.view.slides;
    state.ResumeTiming();
  }
  if (drawings == 0) return state.SkipWithError("the rebuild handled no drawing");
  state.counters["drawings"] =
      benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
  state.counters["listed"] = benchmark::Counter(listed, benchmark::Counter::kAvgIterations);
  state.counters["ms_per_drawing"] = ms / static_cast<double>(drawings);
}

// Keeps each run's figures for the ratios main prints at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    Bench& bench = Shared();
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const int64_t file = FileIndex(name);
      if (file < 0) continue;
      if (auto it = run.counters.find("ms_per_slide"); it != run.counters.end())
        bench.office_ms_per_slide[file] = it->second.value;
      if (auto it = run.counters.find("ms_per_drawing"); it != run.counters.end())
        bench.ms_per_drawing[file] = it->second.value;
    }
  }

 private:
  static int64_t FileIndex(const std::string& name) {
    const size_t slash = name.find('/');
    if (slash == std::string::npos) return -1;
    return std::strtoll(name.c_str() + slash + 1, nullptr, 10);
  }
};

}  // namespace

BENCHMARK(BM_OfficeOpenExportDeck)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
// Most of the work is the office's, in another process: rates use the wall clock.
BENCHMARK(BM_StandardRebuildPerDrawing)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (Bench* bench = SharedSlot().get()) {
    for (const auto& [file, per_drawing] : bench->ms_per_drawing) {
      auto office = bench->office_ms_per_slide.find(file);
      if (office == bench->office_ms_per_slide.end() || office->second <= 0) continue;
      std::printf("%s: %.1f ms per drawing, office %.1f ms per slide: ratio %.2f\n", kFiles[file],
                  per_drawing, office->second, per_drawing / office->second);
    }
  }
  SharedSlot().reset();  // before static destruction: see SharedSlot
  return 0;
}
