// Whole recovery runs with the office already running, next to the office alone doing
// the part of the work it always does: opening the original and exporting its slides.
//
//   build/bench/bench_modes --benchmark_counters_tabular=true
//
// BM_OfficeOpenAndExport is the reference for BM_FastModeWhole (target: at most 1.3 times
// its time). BM_StandardModeWhole reports its time per rebuilt drawing (s_per_drawing).
// The other counters are the milliseconds each status text of the run stood.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "automation/imaging/qt_image_toolkit.h"
#include "automation/libreoffice/libreoffice_server.h"
#include "engine/job/folder_tree.h"
#include "engine/office/office_api.h"
#include "engine/rebuild/automatic_master_dialog.h"
#include "engine/run/recovery_driver.h"

namespace {

using namespace vlx;

const std::string kLargest = VLX_CORPUS_DIR "/healthy/iisd_report.ppt";

// Says nothing; notes how long each status text stood, which splits a run into its
// stages.
class PhaseTimingSink : public ProgressSink {
 public:
  using Clock = std::chrono::steady_clock;

  void SetStatus(const std::string& text) override {
    Close();
    current_ = text;
    since_ = Clock::now();
  }
  void SetCounter(const std::string&) override {}
  void SetProgress(int) override {}
  void AppendLog(const std::string&) override {}
  void ReplaceLog(const std::string&) override {}
  int ShowMessage(MessageOwner, const std::string&, const std::string&, int) override {
    return kAnswerOk;
  }
  // Ends the current stage (call after a run).
  void Close() {
    if (!current_.empty())
      seconds_[current_] += std::chrono::duration<double>(Clock::now() - since_).count();
    current_.clear();
  }
  // Adds one counter per stage, averaged over the iterations, in milliseconds.
  void Report(benchmark::State& state) {
    for (const auto& [text, seconds] : seconds_)
      state.counters[text] = benchmark::Counter(1000 * seconds, benchmark::Counter::kAvgIterations);
    seconds_.clear();
  }

 private:
  std::string current_;
  Clock::time_point since_;
  std::map<std::string, double> seconds_;
};

// Counts the listed items.
class CountingView : public ResultView {
 public:
  void Add(const ResultItem& item) override { ++counts_[static_cast<size_t>(item.list)]; }
  int Count(ResultList list) const { return counts_[static_cast<size_t>(list)]; }
  void Clear() { counts_ = {}; }

 private:
  std::array<int, 3> counts_{};
};

// One office for the whole program, started before the first measurement.
struct Bench {
  Bench() {
    std::string pattern = "/tmp/vlx-bench-modes-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) scratch = pattern + "/";
    office.CreateApplication(office::kProgId)->Quit();
  }
  ~Bench() { DeleteFolderTree(scratch); }

  // A fresh environment whose output folders are made in the scratch folder.
  RunEnvironment Environment() {
    view.Clear();
    return RunEnvironment{sink,      trace,   stop,           workspace, view, images,
                          templates, &office, &master_dialog, scratch,   "Rec"};
  }
  void Tidy(const std::string& output_folder) { DeleteFolderTree(output_folder); }

  LibreOfficeServer office;
  QtImageToolkit images;
  TemplateRecords templates = PristineTemplates();
  PhaseTimingSink sink;
  AutomaticMasterSlideDialog master_dialog;
  TraceLog trace{"/dev/null", false};
  StopFlag stop{false};
  Workspace workspace{Workspace::PerProcessName()};
  CountingView view;
  std::string scratch;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void BM_OfficeOpenAndExport(benchmark::State& state) {
  Bench& bench = Shared();
  const std::string folder = bench.scratch + "export";
  int slides = 0;
  for (auto _ : state) {
    auto application = bench.office.CreateApplication(office::kProgId);
    auto presentation = application->GetPresentations()->Open(kLargest, 0, 0, 0);
    slides = presentation->GetSlides()->Count();
    presentation->SaveAs(folder, office::kFormatJpeg, 1);
    presentation->Close();
    application->Quit();
    state.PauseTiming();
    DeleteFolderTree(folder);
    state.ResumeTiming();
  }
  state.counters["slides"] = slides;
}

// The save that ends the fast mode, alone: open the original and write it as a binary
// presentation.
void BM_OfficeOpenAndSave(benchmark::State& state) {
  Bench& bench = Shared();
  const std::string file = bench.scratch + "saved.ppt";
  for (auto _ : state) {
    auto application = bench.office.CreateApplication(office::kProgId);
    auto presentation = application->GetPresentations()->Open(kLargest, 0, 0, 0);
    presentation->SaveAs(file, office::kFormatDefault, 1);
    presentation->Close();
    application->Quit();
  }
  std::remove(file.c_str());
}

void BM_FastModeWhole(benchmark::State& state) {
  Bench& bench = Shared();
  int slides = 0;
  for (auto _ : state) {
    RunEnvironment env = bench.Environment();
    DriveFastRecovery(env, kLargest);
    bench.sink.Close();
    slides = bench.view.Count(ResultList::kSlides);
    state.PauseTiming();
    bench.Tidy(env.output_folder);
    state.ResumeTiming();
  }
  state.counters["slides"] = slides;
  bench.sink.Report(state);
  if (slides == 0) state.SkipWithError("the fast mode listed no slide");
}

void BM_StandardModeWhole(benchmark::State& state) {
  Bench& bench = Shared();
  int drawings = 0;
  for (auto _ : state) {
    RunEnvironment env = bench.Environment();
    DriveStandardRecovery(env, kLargest);
    bench.sink.Close();
    drawings += bench.view.Count(ResultList::kSlides);
    state.PauseTiming();
    bench.Tidy(env.output_folder);
    state.ResumeTiming();
  }
  state.counters["drawings"] = benchmark::Counter(drawings, benchmark::Counter::kAvgIterations);
  state.counters["s_per_drawing"] =
      benchmark::Counter(drawings, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  bench.sink.Report(state);
  if (drawings == 0) state.SkipWithError("the standard mode rebuilt no drawing");
}

BENCHMARK(BM_OfficeOpenAndExport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OfficeOpenAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FastModeWhole)->Unit(benchmark::kMillisecond)->Iterations(3);
// Most of the work is the office's, in another process: rates use the wall clock.
BENCHMARK(BM_StandardModeWhole)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
