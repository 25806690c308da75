#include "engine/scan/extract_images.h"

#include <optional>
#include <string_view>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/job/final_file.h"
#include "engine/job/folder_tree.h"
#include "engine/job/messages.h"
#include "engine/scan/picture_report.h"
#include "engine/scan/pictures/picture_ledger.h"
#include "engine/scan/pictures/picture_search.h"

namespace vlx {
namespace {

constexpr const char* kTempJpegName = "temppic2.Jpg";

// The picture as the file written for it holds it: its missing file header, then its
// bytes.
std::vector<uint8_t> PictureFile(const FoundPicture& picture) {
  std::vector<uint8_t> file(picture.file_header.begin(), picture.file_header.end());
  const ByteSpan body = picture.body();
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

// Writes the picture's file into place; false when any byte is not written.
bool WritePictureFile(const std::string& path, ByteSpan header, ByteSpan body) {
  FinalFile file(path);
  return file.Write(header.data(), header.size()) && file.Write(body.data(), body.size()) &&
         file.Commit();
}

class PictureExtraction : public PictureSearchEvents {
 public:
  PictureExtraction(RecoveryJob& job, ByteSource& source, const std::string& output_folder,
                    PictureLedger& ledger, PictureDrawing* drawing)
      : job_(job),
        source_(source),
        output_folder_(output_folder),
        length_(source.size()),
        ledger_(ledger),
        drawing_(drawing) {}

  bool EnterStretch(uint64_t start) override {
    job_.sink().SetCounter(CounterText(static_cast<int64_t>(start), static_cast<int64_t>(length_)));
    job_.sink().SetProgress(Percent(start, length_));
    return !job_.StopRequested();
  }

  bool KeepGoing() override { return !job_.StopRequested(); }

  void Found(FoundPicture picture) override {
    if (ledger_.Holds(picture)) return;
    // Metafiles were checked by inflating them; raster pictures must decode.
    if (!picture.metafile && !job_.env.images.Decodes(PictureFile(picture))) return;
    const std::string extension(picture.extension);
    const std::string saved =
        SavedPicturePath(output_folder_, job_.results.Count(ResultList::kPictures) + 1, extension);
    if (!MakeFolder(output_folder_ + "Pictures") ||
        !WritePictureFile(saved, picture.file_header, picture.body())) {
      job_.sink().AppendLog("Cannot save picture " + saved + "\r\n");
      return;
    }
    ledger_.Keep(picture, saved);
    PictureFacts facts;
    facts.source_offset = static_cast<int64_t>(source_.FileOffsetOf(picture.offset));
    if (picture.metafile) {
      facts.placeholder_label = std::string(picture.name) + " picture";
      facts.drawing = drawing_;
    }
    ReportPicture(job_, saved, extension, job_.workspace().File(kTempJpegName), facts);
  }

 private:
  RecoveryJob& job_;
  ByteSource& source_;
  const std::string& output_folder_;
  uint64_t length_;
  PictureLedger& ledger_;
  PictureDrawing* drawing_;
};

// The damaged file as the search reads it: through the file's own read-ahead window.
class FileSource : public ByteSource {
 public:
  explicit FileSource(DamagedFile& file) : file_(file) {}
  uint64_t size() const override { return file_.GetLength(); }
  ByteSpan View(uint64_t offset, size_t count) override {
    size_t available = 0;
    const uint8_t* bytes = file_.View(offset, count, &available);
    return bytes == nullptr ? ByteSpan{} : ByteSpan(bytes, available);
  }

 private:
  DamagedFile& file_;
};

}  // namespace

bool ExtractPictures(RecoveryJob& job, ByteSource& source, const std::string& output_folder,
                     PictureLedger& ledger, PictureDrawing* drawing) {
  PictureExtraction extraction(job, source, output_folder, ledger, drawing);
  return SearchPictures(source, extraction);
}

bool ExtractPictures(RecoveryJob& job, ByteSource& source, const std::string& output_folder) {
  PictureLedger ledger;
  return ExtractPictures(job, source, output_folder, ledger);
}

void ExtractImages(RecoveryJob& job, const std::string& input_path,
                   const std::string& output_folder, const PictureExtractionAids& aids) {
  ProgressSink& sink = job.sink();
  sink.SetStatus("Extracting images...");
  sink.AppendLog("Extracting images...\r\n");
  // A folder at the workspace's place that is not ours is never written into.
  if (!job.workspace().Create()) return;
  auto file = DamagedFile::Open(input_path);
  if (!file) return;

  FileSource source(*file);
  PictureLedger ledger;
  bool whole = ExtractPictures(job, source, output_folder, ledger, aids.drawing);
  if (whole && aids.further != nullptr)
    whole = aids.further->ForEach(*file, [&](ByteSource& more) {
      return ExtractPictures(job, more, output_folder, ledger, aids.drawing);
    });
  if (!whole) {
    sink.SetStatus("");
    sink.SetCounter("");
    sink.SetProgress(0);
    return;
  }
  sink.SetCounter("");
  sink.SetProgress(0);
  if (!aids.workspace_shared) job.workspace().Delete();
  sink.AppendLog("Extracting images done...\r\n");
  sink.SetStatus("");
}

}  // namespace vlx
