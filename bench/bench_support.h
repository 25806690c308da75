#pragma once

// Shared pieces of the benchmarks: a large scratch file in the page cache and the
// plain sequential read that every throughput figure is compared with.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace vlx::bench {

// A file of `size` pseudo-random bytes under /tmp, written once per process and
// removed at exit. Random bytes hold no record signature by chance often enough to
// matter, so scans over it measure the no-hit path.
inline const std::string& ScratchFile(size_t size = size_t{256} << 20) {
  static const std::string path = [size] {
    std::string p = "/tmp/vlx-bench-" + std::to_string(::getpid()) + ".bin";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::mt19937_64 rng(42);
    std::vector<uint64_t> chunk(1 << 17);
    for (size_t done = 0; done < size; done += chunk.size() * 8) {
      for (auto& v : chunk) v = rng();
      std::fwrite(chunk.data(), 8, chunk.size(), f);
    }
    std::fclose(f);
    std::atexit(
        [] { std::remove(("/tmp/vlx-bench-" + std::to_string(::getpid()) + ".bin").c_str()); });
    return p;
  }();
  return path;
}

// Reads the whole file sequentially in 1 MiB pieces; returns the byte count.
inline size_t PlainRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<char> buffer(1 << 20);
  size_t total = 0;
  for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
    benchmark::DoNotOptimize(buffer.data());
    total += static_cast<size_t>(n);
  }
  ::close(fd);
  return total;
}

// The baseline every scan is compared with; register it in each benchmark program.
inline void BM_PlainSequentialRead(benchmark::State& state) {
  const std::string& path = ScratchFile();
  size_t bytes = 0;
  for (auto _ : state) bytes += PlainRead(path);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

}  // namespace vlx::bench
