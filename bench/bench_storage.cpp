// Writing compound files: a whole 256 MiB file copied into one stream (the copy, the
// spool and the final write), next to a plain read of the same bytes.

#include <sys/resource.h>
#include <unistd.h>

#include "bench/bench_support.h"
#include "engine/job/damaged_file.h"
#include "engine/storage/compound_storage.h"
#include "engine/storage/copy_file_to_stream.h"

namespace {

using vlx::bench::ScratchFile;

void BM_CompoundFromLargeFile(benchmark::State& state) {
  const std::string& source_path = ScratchFile();
  const std::string target = "/tmp/vlx-bench-storage-" + std::to_string(::getpid()) + ".cfb";
  auto source = vlx::DamagedFile::Open(source_path);
  size_t bytes = 0;
  for (auto _ : state) {
    auto storage = vlx::CompoundStorage::Create(target);
    vlx::CopyFileToStream(*storage->CreateStream("PowerPoint Document"), *source);
    if (!storage->Commit()) state.SkipWithError("commit failed");
    bytes += source->GetLength();
  }
  ::unlink(target.c_str());
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_CompoundOfSmallStreams(benchmark::State& state) {
  const std::string target = "/tmp/vlx-bench-storage-small-" + std::to_string(::getpid()) + ".cfb";
  std::vector<unsigned char> image(5120, 0x5A);
  for (auto _ : state) {
    auto storage = vlx::CompoundStorage::Create(target);
    for (const char* name : {"Pictures", "Current User", "PowerPoint Document"}) {
      storage->CreateStream(name)->Write(image.data(), image.size() - 2048);
    }
    storage->Commit();
  }
  ::unlink(target.c_str());
}

}  // namespace

BENCHMARK(vlx::bench::BM_PlainSequentialRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompoundFromLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompoundOfSmallStreams)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
