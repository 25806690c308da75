// The LibreOffice backend: one open + export of every slide + close with the office
// already running, next to a command-line conversion of the same file by a fresh
// office in the same run; and the start-up of the office itself.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "automation/libreoffice/libreoffice_server.h"
#include "engine/job/folder_tree.h"

namespace {

const std::string kSample = std::string(VLX_CORPUS_DIR) + "/healthy/SampleShow.ppt";

std::string ScratchFolder(const std::string& name) {
  const std::string folder =
      "/tmp/vlx-bench-office-" + std::to_string(::getpid()) + "/" + name + "/";
  std::filesystem::create_directories(folder);
  return folder;
}

bool Ready(benchmark::State& state) {
  if (::access(vlx::LibreOfficeServer::DefaultOfficeProgram().c_str(), X_OK) != 0) {
    state.SkipWithError("no LibreOffice installed");
    return false;
  }
  if (!std::filesystem::exists(kSample)) {
    state.SkipWithError("test corpus not found");
    return false;
  }
  return true;
}

vlx::LibreOfficeServer& RunningServer() {
  static auto* server = new vlx::LibreOfficeServer({.log = [](const std::string&) {}});
  return *server;
}

void BM_OpenExportCloseInRunningOffice(benchmark::State& state) {
  if (!Ready(state)) return;
  auto app = RunningServer().CreateApplication(vlx::office::kProgId);
  const std::string folder = ScratchFolder("export");
  int slides = 0;
  for (auto _ : state) {
    auto presentation = app->GetPresentations()->Open(kSample, 0, 0, 0);
    slides = presentation->GetSlides()->Count();
    presentation->SaveAs(folder + "images", vlx::office::kFormatJpeg, 1);
    presentation->Close();
  }
  app->Quit();
  state.counters["slides"] = slides;
  state.counters["slides_per_s"] = benchmark::Counter(
      static_cast<double>(slides) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OpenExportCloseInRunningOffice)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

// The same file through the office's own command line: a new office per conversion.
void BM_CommandLineConvertToPdf(benchmark::State& state) {
  if (!Ready(state)) return;
  const std::string folder = ScratchFolder("pdf");
  const std::string profile = ScratchFolder("profile");
  const std::string command = "soffice -env:UserInstallation=file://" + profile +
                              " --headless --convert-to pdf --outdir " + folder + " " + kSample +
                              " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {  // first run creates the profile
    state.SkipWithError("soffice --convert-to failed");
    return;
  }
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("soffice --convert-to failed");
  }
}
BENCHMARK(BM_CommandLineConvertToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// From nothing to a usable Application: spawn, profile creation and its restart,
// connection; the office is ended again outside the timing.
void BM_OfficeStartUp(benchmark::State& state) {
  if (!Ready(state)) return;
  for (auto _ : state) {
    auto server = std::make_unique<vlx::LibreOfficeServer>(
        vlx::LibreOfficeOptions{.log = [](const std::string&) {}});
    server->CreateApplication(vlx::office::kProgId);
    state.PauseTiming();
    server.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OfficeStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete &RunningServer();
  vlx::DeleteFolderTree("/tmp/vlx-bench-office-" + std::to_string(::getpid()) + "/");
  return 0;
}
