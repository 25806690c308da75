// Runs every standard-mode scan over arbitrary bytes: the picture-stream search, the
// slide-structure census, the text census and the picture extraction. Crashes,
// sanitizer reports and broken list invariants are findings.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/scan/extract_images.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/text_census.h"
#include "fuzz/fuzz_input.h"

namespace {

class QuietSink : public vlx::ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetCounter(const std::string&) override {}
  void SetProgress(int percent) override {
    if (percent < 0 || percent > 99) __builtin_trap();
  }
  void AppendLog(const std::string&) override {}
  void ReplaceLog(const std::string&) override {}
  int ShowMessage(vlx::MessageOwner, const std::string&, const std::string&, int) override {
    return vlx::kAnswerOk;
  }
};

// Checks that a reported picture was saved.
class CheckingView : public vlx::ResultView {
 public:
  void Add(const vlx::ResultItem& item) override {
    if (item.list == vlx::ResultList::kPictures && ::access(item.file.c_str(), R_OK) != 0)
      __builtin_trap();
  }
};

class NoImages : public vlx::ImageToolkit {
 public:
  std::optional<vlx::Bitmap> MakeThumbnail(const std::string&, int, int) override { return {}; }
  bool ConvertToJpeg(const std::string&, const std::string&) override { return false; }
  bool SaveJpeg(const vlx::Bitmap&, const std::string&) override { return false; }
  vlx::Bitmap StockBitmap() override { return {}; }
  vlx::Bitmap PlaceholderBitmap() override { return {}; }
  bool Decodes(std::span<const uint8_t>) override { return true; }
  vlx::Bitmap LabelledPlaceholder(const std::string&, int, int) override { return {}; }
};

// Every list in ascending order, every entry starting inside the file.
void CheckList(const vlx::FoundRecordList& list, uint64_t length) {
  int64_t previous = -1;
  for (const vlx::FoundRecord& r : list) {
    if (r.offset <= previous || static_cast<uint64_t>(r.offset) + 8 > length || r.length <= 0 ||
        static_cast<uint64_t>(r.length) >= length)
      __builtin_trap();
    previous = r.offset;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = vlx::fuzz::WriteInputFile(data, size);
  QuietSink sink;
  vlx::TraceLog trace(vlx::fuzz::ScratchFolder() + "trace.log", false);
  vlx::StopFlag stop{false};
  vlx::Workspace workspace = vlx::Workspace::At(vlx::fuzz::ScratchFolder() + "w");
  CheckingView view;
  NoImages images;
  vlx::TemplateRecords templates = vlx::PristineTemplates();
  vlx::RunEnvironment env{
      sink,   trace,     stop,    workspace, view,
      images, templates, nullptr, nullptr,   vlx::fuzz::ScratchFolder() + "out/",
      "Rec"};
  vlx::RecoveryJob job(env);
  workspace.Create();
  ::mkdir(env.output_folder.c_str(), 0700);
  {
    auto file = vlx::DamagedFile::Open(input);
    if (!file) __builtin_trap();
    job.file_length = file->GetLength();
    vlx::SearchPictureStream(job, *file);
    vlx::ScanSlideStructures(job, *file);
    vlx::ScanSlideTexts(job, *file);
  }
  for (const auto* list :
       {&job.drawings, &job.prog_tags, &job.main_masters, &job.blip_stores, &job.slide_lists})
    CheckList(*list, size);
  if (job.texts.groups.size() != job.slide_lists.size()) __builtin_trap();
  vlx::ExtractImages(job, input, env.output_folder);
  if (::access(workspace.path().c_str(), F_OK) == 0) __builtin_trap();  // deleted at the end
  return 0;
}
