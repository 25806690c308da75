// Compound-file salvage over a 256 MiB disk image: random bytes holding one compound
// file (64 MiB of streams, its header zeroed) at an offset that is no multiple of the
// sector size. Finding the file's tables and reading every stream back are measured
// next to a plain sequential read of the same image: each iteration also reads the image
// plainly, outside the measured time, and "x_plain_read" is the measured time over that
// read's (the two seen under the same load, which on a shared machine shifts from one
// benchmark to the next).

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/job/damaged_file.h"
#include "engine/job/folder_tree.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/storage/compound_storage.h"

namespace {

constexpr size_t kImageSize = size_t{256} << 20;
constexpr size_t kStreamSize = size_t{32} << 20;
constexpr size_t kOffset = 8192 + 777;

std::string Folder() {
  return "/tmp/vlx-bench-salvage-" + std::to_string(::getpid()) + "/";
}

void FillRandom(std::vector<unsigned char>& bytes, uint64_t seed) {
  std::mt19937_64 rng(seed);
  for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    const uint64_t v = rng();
    for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<unsigned char>(v >> (8 * k));
  }
}

// The image, written once per process: a compound file made by our writer, its
// header zeroed, copied into random bytes.
const std::string& Image() {
  static const std::string path = [] {
    const std::string folder = Folder();
    ::mkdir(folder.c_str(), 0700);
    const std::string compound = folder + "compound";
    {
      auto storage = vlx::CompoundStorage::Create(compound);
      std::vector<unsigned char> bytes(kStreamSize);
      for (const char* name : {"PowerPoint Document", "Pictures"}) {
        FillRandom(bytes, name[0]);
        storage->CreateStream(name)->Write(bytes.data(), bytes.size());
      }
      bytes.resize(200);
      storage->CreateStream("Current User")->Write(bytes.data(), bytes.size());
      storage->Commit();
    }
    std::vector<unsigned char> file;
    {
      auto source = vlx::DamagedFile::Open(compound);
      file.resize(source->GetLength());
      source->ReadAt(0, file.data(), file.size());
    }
    std::fill(file.begin(), file.begin() + 512, 0);
    std::vector<unsigned char> image(kImageSize);
    FillRandom(image, 99);
    std::copy(file.begin(), file.end(), image.begin() + kOffset);
    const std::string p = folder + "image";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
    std::remove(compound.c_str());
    vlx::bench::PlainRead(p);  // into the page cache before anything is timed
    std::atexit([] { vlx::DeleteFolderTree(Folder()); });
    return p;
  }();
  return path;
}

void BM_PlainReadOfTheImage(benchmark::State& state) {
  const std::string& image = Image();  // made before the clock runs
  size_t bytes = 0;
  for (auto _ : state) bytes += vlx::bench::PlainRead(image);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// Times one plain read of the image (paused out of the measured time) and then body
// (measured); reports the ratio of their sums.
class NextToPlainRead {
 public:
  explicit NextToPlainRead(benchmark::State& state) : state_(state) {}
  ~NextToPlainRead() {
    if (plain_ > 0) state_.counters["x_plain_read"] = measured_ / plain_;
    state_.SetBytesProcessed(static_cast<int64_t>(state_.iterations() * kImageSize));
  }

  template <typename Body>
  void Run(Body body) {
    using Clock = std::chrono::steady_clock;
    state_.PauseTiming();
    const auto t0 = Clock::now();
    vlx::bench::PlainRead(Image());
    plain_ += std::chrono::duration<double>(Clock::now() - t0).count();
    state_.ResumeTiming();
    const auto t1 = Clock::now();
    body();
    measured_ += std::chrono::duration<double>(Clock::now() - t1).count();
  }

 private:
  benchmark::State& state_;
  double plain_ = 0;
  double measured_ = 0;
};

// Finding the compound file: signatures and root entries, FAT pages, the directory.
void BM_SalvagePlan(benchmark::State& state) {
  auto file = vlx::DamagedFile::Open(Image());
  NextToPlainRead ratio(state);
  for (auto _ : state) {
    ratio.Run([&] {
      auto plans = vlx::salvage::PlanSalvage(*file);
      if (plans.empty()) state.SkipWithError("no compound file found");
      benchmark::DoNotOptimize(plans);
    });
  }
}

// The whole salvage: planning and every stream read back into workspace files.
void BM_SalvageAllStreams(benchmark::State& state) {
  auto file = vlx::DamagedFile::Open(Image());
  NextToPlainRead ratio(state);
  for (auto _ : state) {
    ratio.Run([&] {
      auto plans = vlx::salvage::PlanSalvage(*file);
      if (plans.empty()) {
        state.SkipWithError("no compound file found");
        return;
      }
      vlx::salvage::SalvagedCompound compound;
      std::string why;
      if (!vlx::salvage::ExtractSalvage(*file, plans.front(), Folder() + "s-", &compound, &why))
        state.SkipWithError(why.c_str());
    });
  }
}

}  // namespace

BENCHMARK(BM_PlainReadOfTheImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvagePlan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SalvageAllStreams)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
