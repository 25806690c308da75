// The standard mode on a large disk image: corpus presentations laid one after another
// with unrelated bytes between them, as a disk image holding many presentations is.
//
//   build/bench/bench_standard_scale --benchmark_counters_tabular=true
//
// Each run reports how many bytes the run wrote (written_per_input: bytes written by
// this process divided by the image's size), the drawings it rebuilt and its time next
// to BM_PlainImageRead, a plain sequential read of the same image in the same program.
// The office variant keeps one office open for the whole program. BM_PictureCarvingOfImage
// is the yardstick for the standard mode's time: a picture carver's one pass over the
// same image (the pictures found, written and given thumbnails, as the runs do first).
// BM_ForemostOfImage times Debian's foremost carving the same image for pictures, the
// other yardstick (skipped when foremost is not installed).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "automation/libreoffice/libreoffice_server.h"
#include "automation/testing/stub_image_toolkit.h"
#include "bench/bench_run_support.h"
#include "bench/bench_support.h"
#include "engine/job/folder_tree.h"
#include "engine/office/office_api.h"
#include "engine/rebuild/automatic_master_dialog.h"
#include "engine/run/recovery_driver.h"
#include "engine/scan/extract_images.h"

namespace {

using namespace vlx;

const std::string kCorpus = VLX_CORPUS_DIR "/healthy";

// Bytes this process has written so far (through write calls), from /proc/self/io.
uint64_t BytesWritten() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "wchar:") return value;
  }
  return 0;
}

using bench::QuietSink;
using CountingView = bench::SlideCountingView;

// An image of at least `size` bytes holding `copies` corpus presentations in turn, each
// starting on a 512-byte boundary, with pseudo-random bytes between them.
std::string MakeDiskImage(const std::string& path, size_t size, int copies) {
  std::vector<std::string> files;
  std::error_code missing;  // no corpus: the benchmarks say so and skip
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus, missing))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  if (files.empty()) return {};
  std::ofstream out(path, std::ios::binary);
  std::mt19937_64 rng(7);
  const size_t gap = size / static_cast<size_t>(copies) / 512 * 512;
  std::vector<char> filler(gap);
  for (int i = 0; i < copies; ++i) {
    std::ifstream in(files[static_cast<size_t>(i) % files.size()], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    bytes.resize((bytes.size() + 511) / 512 * 512);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    for (auto& c : filler) c = static_cast<char>(rng());
    out.write(filler.data(), static_cast<std::streamsize>(filler.size()));
  }
  return path;
}

struct Bench {
  Bench() {
    std::string pattern = "/tmp/vlx-bench-scale-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) scratch = pattern + "/";
    image = MakeDiskImage(scratch + "disk.img", size_t{256} << 20, 34);
  }
  ~Bench() { DeleteFolderTree(scratch); }

  RunEnvironment Environment(office::AutomationServer* server) {
    view.slides = 0;
    return RunEnvironment{sink,      trace,  stop,           workspace, view, images,
                          templates, server, &master_dialog, scratch,   "Rec"};
  }

  LibreOfficeServer office;  // started by the first run that uses it
  testing::StubImageToolkit images;
  TemplateRecords templates = PristineTemplates();
  QuietSink sink;
  AutomaticMasterSlideDialog master_dialog;
  TraceLog trace{"/dev/null", false};
  StopFlag stop{false};
  Workspace workspace{Workspace::PerProcessName()};
  CountingView view;
  std::string scratch;
  std::string image;
};

// The shared bench lives until main ends it: its office server ends the office through
// the UNO runtime, which is gone once static destruction has begun.
std::unique_ptr<Bench>& SharedSlot() {
  static std::unique_ptr<Bench> bench;
  return bench;
}

Bench& Shared() {
  std::unique_ptr<Bench>& bench = SharedSlot();
  if (!bench) bench = std::make_unique<Bench>();
  return *bench;
}

void BM_PlainImageRead(benchmark::State& state) {
  Bench& bench = Shared();
  if (bench.image.empty()) return state.SkipWithError(("corpus not found at " + kCorpus).c_str());
  size_t bytes = 0;
  for (auto _ : state) bytes += bench::PlainRead(bench.image);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_PictureCarvingOfImage(benchmark::State& state) {
  Bench& bench = Shared();
  if (bench.image.empty()) return state.SkipWithError(("corpus not found at " + kCorpus).c_str());
  int pictures = 0;
  for (auto _ : state) {
    RunEnvironment env = bench.Environment(nullptr);
    const std::string folder = bench.scratch + "pictures/";
    state.PauseTiming();
    DeleteFolderTree(folder);
    ::mkdir(folder.c_str(), 0700);
    state.ResumeTiming();
    RecoveryJob job(env);
    ExtractImages(job, bench.image, folder);
    pictures += job.results.Count(ResultList::kPictures);
  }
  state.SetBytesProcessed(static_cast<int64_t>(std::filesystem::file_size(bench.image)) *
                          state.iterations());
  state.counters["pictures"] = benchmark::Counter(pictures, benchmark::Counter::kAvgIterations);
}

// Runs a program with its output thrown away; true when it ran and exited with status 0.
bool RunQuietly(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_ForemostOfImage(benchmark::State& state) {
  Bench& bench = Shared();
  if (bench.image.empty()) return state.SkipWithError(("corpus not found at " + kCorpus).c_str());
  if (!RunQuietly({"foremost", "-V"})) return state.SkipWithError("foremost is not installed");
  for (auto _ : state) {
    const std::string folder = bench.scratch + "foremost";
    state.PauseTiming();
    DeleteFolderTree(folder);
    state.ResumeTiming();
    if (!RunQuietly({"foremost", "-Q", "-t", "jpg,png,bmp,gif", "-i", bench.image, "-o", folder}))
      return state.SkipWithError("foremost failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(std::filesystem::file_size(bench.image)) *
                          state.iterations());
}

// range(0): 1 with the office, 0 without.
void BM_StandardModeOnDiskImage(benchmark::State& state) {
  Bench& bench = Shared();
  if (bench.image.empty()) return state.SkipWithError(("corpus not found at " + kCorpus).c_str());
  office::AutomationServer* server = nullptr;
  if (state.range(0) == 1) {
    server = &bench.office;
    bench.office.CreateApplication(office::kProgId)->Quit();
  }
  const auto size = static_cast<double>(std::filesystem::file_size(bench.image));
  uint64_t written = 0;
  int slides = 0;
  for (auto _ : state) {
    RunEnvironment env = bench.Environment(server);
    const uint64_t before = BytesWritten();
    DriveStandardRecovery(env, bench.image);
    written += BytesWritten() - before;
    slides += bench.view.slides;
    state.PauseTiming();
    DeleteFolderTree(env.output_folder);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
  state.counters["written_per_input"] =
      benchmark::Counter(static_cast<double>(written) / size, benchmark::Counter::kAvgIterations);
  state.counters["slides_listed"] = benchmark::Counter(slides, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(BM_PlainImageRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PictureCarvingOfImage)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ForemostOfImage)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_StandardModeOnDiskImage)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SharedSlot().reset();  // before static destruction: see SharedSlot
  return 0;
}
