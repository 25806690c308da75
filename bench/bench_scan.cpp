// Throughput of the standard-mode scans over a 256 MiB file in the page cache, next
// to a plain sequential read of the same bytes.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bench/bench_support.h"
#include "engine/fast/salvaged_picture_streams.h"
#include "engine/job/damaged_file.h"
#include "engine/job/folder_tree.h"
#include "engine/job/recovery_job.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"

namespace vlx::bench {
namespace {

// A console-like sink: redraws only when the percentage changes.
class RedrawingSink : public ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetCounter(const std::string&) override {}
  void SetProgress(int percent) override {
    if (percent != shown_) ++redraws, shown_ = percent;
  }
  void AppendLog(const std::string&) override {}
  void ReplaceLog(const std::string&) override {}
  int ShowMessage(MessageOwner, const std::string&, const std::string&, int) override {
    return kAnswerOk;
  }
  long redraws = 0;

 private:
  int shown_ = -1;
};

class NoView : public ResultView {
 public:
  void Add(const ResultItem& item) override {
    if (item.list == ResultList::kPictures) ++pictures;
  }
  long pictures = 0;
};

class NoImages : public ImageToolkit {
 public:
  std::optional<Bitmap> MakeThumbnail(const std::string&, int, int) override { return {}; }
  bool ConvertToJpeg(const std::string&, const std::string&) override { return false; }
  bool SaveJpeg(const Bitmap&, const std::string&) override { return false; }
  Bitmap StockBitmap() override { return {}; }
  Bitmap PlaceholderBitmap() override { return {}; }
  bool Decodes(std::span<const uint8_t>) override { return true; }
  Bitmap LabelledPlaceholder(const std::string&, int, int) override { return {}; }
};

// One run's environment with its workspace under /tmp, removed afterwards.
struct BenchRun {
  RedrawingSink sink;
  TraceLog trace{"/dev/null", false};
  StopFlag stop{false};
  Workspace workspace = Workspace::At("/tmp/vlx-bench-ws-" + std::to_string(::getpid()));
  NoView view;
  NoImages images;
  TemplateRecords templates = PristineTemplates();
  std::string output = "/tmp/vlx-bench-out-" + std::to_string(::getpid()) + "/";
  RunEnvironment env{sink,      trace,   stop,    workspace, view, images,
                     templates, nullptr, nullptr, output,    "Rec"};
  BenchRun() {
    workspace.Create();
    MakeFolder(output);
  }
  ~BenchRun() {
    workspace.Delete();
    DeleteFolderTree(output);
  }
};

void BM_ScanSlideStructures(benchmark::State& state) {
  const std::string& path = ScratchFile();
  auto file = DamagedFile::Open(path);
  BenchRun run;
  size_t bytes = 0, found = 0;
  for (auto _ : state) {
    RecoveryJob job(run.env);
    job.file_length = file->GetLength();
    ScanSlideStructures(job, *file);
    found = job.drawings.size() + job.prog_tags.size() + job.blip_stores.size() +
            job.main_masters.size() + job.slide_lists.size();
    bytes += file->GetLength();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["found"] = static_cast<double>(found);
  state.counters["redraws"] = static_cast<double>(run.sink.redraws);
}

// state.range(0) == 1: also the pictures streams the salvage puts back together, as a
// run searches them.
void BM_ExtractImages(benchmark::State& state) {
  const std::string& path = ScratchFile();
  BenchRun run;
  size_t bytes = 0;
  struct stat st {};
  ::stat(path.c_str(), &st);
  for (auto _ : state) {
    RecoveryJob job(run.env);
    SalvagedPictureStreams streams(job);
    const PictureExtractionAids aids{.further = state.range(0) == 1 ? &streams : nullptr};
    ExtractImages(job, path, run.output, aids);
    bytes += static_cast<size_t>(st.st_size);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["pictures"] = static_cast<double>(run.view.pictures);
}

// The healthy corpus presentations one after another, repeated to about 64 MiB: picture
// records of every kind among the other records, as real files hold them. Empty when the
// corpus is absent. Removed at exit.
const std::string& ScratchFileOfPresentations() {
  static const std::string path = [] {
    std::vector<unsigned char> decks;
    if (DIR* dir = ::opendir(VLX_CORPUS_DIR "/healthy")) {
      while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() < 4 || name.substr(name.size() - 4) != ".ppt") continue;
        std::FILE* in = std::fopen((VLX_CORPUS_DIR "/healthy/" + name).c_str(), "rb");
        if (in == nullptr) continue;
        unsigned char piece[1 << 16];
        for (size_t n; (n = std::fread(piece, 1, sizeof piece, in)) > 0;)
          decks.insert(decks.end(), piece, piece + n);
        std::fclose(in);
      }
      ::closedir(dir);
    }
    if (decks.empty()) return std::string();
    const std::string p = "/tmp/vlx-bench-decks-" + std::to_string(::getpid()) + ".bin";
    std::FILE* out = std::fopen(p.c_str(), "wb");
    for (size_t written = 0; written < (size_t{64} << 20); written += decks.size())
      std::fwrite(decks.data(), 1, decks.size(), out);
    std::fclose(out);
    std::atexit([] {
      std::remove(("/tmp/vlx-bench-decks-" + std::to_string(::getpid()) + ".bin").c_str());
    });
    return p;
  }();
  return path;
}

void BM_PlainSequentialReadOfPresentations(benchmark::State& state) {
  const std::string& path = ScratchFileOfPresentations();
  if (path.empty()) return state.SkipWithError("the corpus is absent");
  size_t bytes = 0;
  for (auto _ : state) bytes += PlainRead(path);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_ExtractImagesFromPresentations(benchmark::State& state) {
  const std::string& path = ScratchFileOfPresentations();
  if (path.empty()) return state.SkipWithError("the corpus is absent");
  BenchRun run;
  size_t bytes = 0;
  struct stat st {};
  ::stat(path.c_str(), &st);
  for (auto _ : state) {
    DeleteFolderTree(run.output);
    MakeFolder(run.output);
    RecoveryJob job(run.env);
    SalvagedPictureStreams streams(job);
    const PictureExtractionAids aids{.further = state.range(0) == 1 ? &streams : nullptr};
    ExtractImages(job, path, run.output, aids);
    bytes += static_cast<size_t>(st.st_size);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["pictures"] = static_cast<double>(run.view.pictures);
}

void BM_SearchPictureStream(benchmark::State& state) {
  const std::string& path = ScratchFile();
  auto file = DamagedFile::Open(path);
  BenchRun run;
  size_t bytes = 0;
  double copied = 0;
  for (auto _ : state) {
    RecoveryJob job(run.env);
    job.file_length = file->GetLength();
    SearchPictureStream(job, *file);
    bytes += file->GetLength();
    copied = job.picture_starts.empty()
                 ? 0
                 : static_cast<double>(file->GetLength() - job.picture_starts.front());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["copied_MiB"] = copied / (1 << 20);
}

// The scratch file with the first two bytes of every block cleared: no block begins
// like a picture record, so the search copies nothing. Removed at exit.
const std::string& ScratchFileWithoutPictureBlocks() {
  static const std::string path = [] {
    const std::string p = "/tmp/vlx-bench-nopic-" + std::to_string(::getpid()) + ".bin";
    std::FILE* in = std::fopen(ScratchFile().c_str(), "rb");
    std::FILE* out = std::fopen(p.c_str(), "wb");
    std::vector<unsigned char> piece(1 << 20);
    for (size_t n; (n = std::fread(piece.data(), 1, piece.size(), in)) > 0;) {
      for (size_t at = 0; at + 1 < n; at += 512) piece[at] = piece[at + 1] = 0;
      std::fwrite(piece.data(), 1, n, out);
    }
    std::fclose(in);
    std::fclose(out);
    std::atexit([] {
      std::remove(("/tmp/vlx-bench-nopic-" + std::to_string(::getpid()) + ".bin").c_str());
    });
    return p;
  }();
  return path;
}

void BM_SearchPictureStreamNoPictureBlock(benchmark::State& state) {
  auto file = DamagedFile::Open(ScratchFileWithoutPictureBlocks());
  BenchRun run;
  size_t bytes = 0;
  for (auto _ : state) {
    RecoveryJob job(run.env);
    job.file_length = file->GetLength();
    SearchPictureStream(job, *file);
    if (!job.picture_starts.empty()) state.SkipWithError("a picture block was found");
    bytes += file->GetLength();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

BENCHMARK(BM_PlainSequentialRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanSlideStructures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractImages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSequentialReadOfPresentations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractImagesFromPresentations)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPictureStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPictureStreamNoPictureBlock)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlx::bench

BENCHMARK_MAIN();
