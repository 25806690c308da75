// The three carving passes of the fast mode over a 256 MiB file in the page cache, in
// which no block looks like a record the passes seek (the no-hit path: every pass
// scans the whole file), next to a plain sequential read of the same file.

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <random>

#include "bench/bench_support.h"
#include "engine/fast/carve_streams.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace {

constexpr size_t kFileSize = size_t{256} << 20;

// Random bytes, except that every 64-byte boundary holds 0x11: no Document container
// (0x0F), CurrentUserAtom (0x00) or picture word (low byte 0x00/0x20/0x40/0x60/0x80/0xA0)
// can start there.
const std::string& CarvingFile() {
  static const std::string path = [] {
    std::string p = "/tmp/vlx-bench-carving-" + std::to_string(::getpid()) + ".bin";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::mt19937_64 rng(7);
    std::vector<uint64_t> chunk(1 << 17);
    for (size_t done = 0; done < kFileSize; done += chunk.size() * 8) {
      for (size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = (i % 8 == 0) ? (rng() << 8) | 0x11 : rng();
      std::fwrite(chunk.data(), 8, chunk.size(), f);
    }
    std::fclose(f);
    std::atexit([] {
      std::remove(("/tmp/vlx-bench-carving-" + std::to_string(::getpid()) + ".bin").c_str());
    });
    return p;
  }();
  return path;
}

// A window that takes every report and draws nothing.
class SilentSink : public vlx::ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetCounter(const std::string&) override {}
  void SetProgress(int percent) override { benchmark::DoNotOptimize(percent); }
  void AppendLog(const std::string&) override {}
  void ReplaceLog(const std::string&) override {}
  int ShowMessage(vlx::MessageOwner, const std::string&, const std::string&, int) override {
    return vlx::kAnswerOk;
  }
};

class NoView : public vlx::ResultView {
 public:
  void Add(const vlx::ResultItem&) override {}
};

class NoImages : public vlx::ImageToolkit {
 public:
  std::optional<vlx::Bitmap> MakeThumbnail(const std::string&, int, int) override {
    return std::nullopt;
  }
  bool ConvertToJpeg(const std::string&, const std::string&) override { return false; }
  bool SaveJpeg(const vlx::Bitmap&, const std::string&) override { return false; }
  vlx::Bitmap StockBitmap() override { return {}; }
  vlx::Bitmap PlaceholderBitmap() override { return {}; }
  bool Decodes(std::span<const uint8_t>) override { return true; }
  vlx::Bitmap LabelledPlaceholder(const std::string&, int, int) override { return {}; }
};

struct BenchRun {
  SilentSink sink;
  vlx::TraceLog trace{"/dev/null", false};
  vlx::StopFlag stop{false};
  vlx::Workspace workspace{"vlxTemp-bench-" + std::to_string(::getpid())};
  NoView view;
  NoImages images;
  vlx::TemplateRecords templates = vlx::PristineTemplates();
  vlx::RunEnvironment env{sink,      trace,   stop,    workspace, view, images,
                          templates, nullptr, nullptr, "",        "Rec"};
  vlx::RecoveryJob job{env};
  ~BenchRun() { workspace.Delete(); }
};

using Phase = bool (*)(vlx::RecoveryJob&, vlx::DamagedFile&);

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// CPU time of this thread, kernel time of the reads included: the figure that stays
// meaningful on a machine shared with other work.
double ThreadCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the passes (passes of them) per iteration; reports the bytes scanned and the time
// taken relative to a plain read of the file measured in the same iteration.
template <typename Passes>
void RunPasses(benchmark::State& state, size_t passes, Passes run_passes) {
  const std::string& path = CarvingFile();
  vlx::bench::PlainRead(path);  // into the page cache
  BenchRun run;
  double carving = 0, plain = 0, carving_cpu = 0, plain_cpu = 0;
  for (auto _ : state) {
    auto file = vlx::DamagedFile::Open(path);
    const auto start = std::chrono::steady_clock::now();
    const double start_cpu = ThreadCpuSeconds();
    run_passes(run.job, *file);
    carving_cpu += ThreadCpuSeconds() - start_cpu;
    carving += Seconds(std::chrono::steady_clock::now() - start);

    state.PauseTiming();
    const auto read_start = std::chrono::steady_clock::now();
    const double read_start_cpu = ThreadCpuSeconds();
    vlx::bench::PlainRead(path);
    plain_cpu += ThreadCpuSeconds() - read_start_cpu;
    plain += Seconds(std::chrono::steady_clock::now() - read_start);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize * passes));
  state.counters["x_plain_read"] = carving / plain;
  state.counters["x_plain_read_cpu"] = carving_cpu / plain_cpu;
}

void BM_PlainReadOfCarvingFile(benchmark::State& state) {
  const std::string& path = CarvingFile();
  size_t bytes = 0;
  for (auto _ : state) bytes += vlx::bench::PlainRead(path);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void RunPhases(benchmark::State& state, std::initializer_list<Phase> phases) {
  RunPasses(state, phases.size(), [&](vlx::RecoveryJob& job, vlx::DamagedFile& file) {
    for (Phase phase : phases) benchmark::DoNotOptimize(phase(job, file));
  });
}

void BM_CarveDocumentStream(benchmark::State& state) {
  RunPhases(state, {vlx::CarveDocumentStream});
}
void BM_CarveCurrentUser(benchmark::State& state) {
  RunPhases(state, {vlx::CarveCurrentUser});
}
void BM_CarvePicturesStream(benchmark::State& state) {
  RunPhases(state, {vlx::CarvePicturesStream});
}
void BM_CarveAllThreePhases(benchmark::State& state) {
  RunPhases(state, {vlx::CarveDocumentStream, vlx::CarveCurrentUser, vlx::CarvePicturesStream});
}

// The fast mode's way: the three passes share one read of the file.
void BM_CarveAllThreePhasesInOneRead(benchmark::State& state) {
  RunPasses(state, 3, [](vlx::RecoveryJob& job, vlx::DamagedFile& file) {
    vlx::StreamCarving carving(job, file);
    benchmark::DoNotOptimize(carving.CarveDocumentStream());
    benchmark::DoNotOptimize(carving.CarveCurrentUser());
    benchmark::DoNotOptimize(carving.CarvePicturesStream());
  });
}

}  // namespace

BENCHMARK(BM_PlainReadOfCarvingFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarveDocumentStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarveCurrentUser)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarvePicturesStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarveAllThreePhases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarveAllThreePhasesInOneRead)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
