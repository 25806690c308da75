#include "engine/rebuild/presentation_rebuild.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"
#include "engine/office/rebuilt_preview.h"
#include "engine/rebuild/chosen_records.h"
#include "engine/rebuild/document_pictures.h"
#include "engine/rebuild/drawing_extract.h"
#include "engine/rebuild/persist_directory.h"
#include "engine/rebuild/picture_selection.h"
#include "engine/rebuild/rebuilt_compound_writer.h"
#include "engine/rebuild/record_copy.h"
#include "engine/rebuild/repaired_deck.h"
#include "engine/rebuild/slide_plan.h"
#include "engine/rebuild/slide_text_match.h"
#include "engine/rebuild/stream_prefix.h"
#include "engine/rebuild/template_patching.h"

namespace vlx {
namespace {

constexpr int kErrorPrefixFile = 12;
constexpr int kErrorDrawingFile = 13;
constexpr int kErrorSlideDocument = 30;
constexpr int kErrorPrefixOpen = 31;
constexpr int kErrorDrawingOpen = 32;
constexpr size_t kMinimumStream = 4096;
constexpr size_t kPaddingBlock = 512;
constexpr uint8_t kPaddingByte = 0xFE;
constexpr size_t kSlideHeadSize = 40;
constexpr size_t kSlideLengthField = 36;  // counted back from the end of the prefix

int ChoiceCheckpoint(CandidateKind kind) {
  switch (kind) {
    case CandidateKind::kFoundMasterFoundStore:
      return 102;
    case CandidateKind::kFoundMasterDefaultStore:
      return 104;
    default:
      return 105;
  }
}

std::unique_ptr<std::FILE, int (*)(std::FILE*)> OpenFile(const std::string& path,
                                                         const char* mode) {
  return {std::fopen(path.c_str(), mode), &std::fclose};
}

bool ReadWholeFile(std::FILE* in, std::vector<uint8_t>& out) {
  uint8_t block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, in)) > 0) out.insert(out.end(), block, block + n);
  return std::ferror(in) == 0;
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> piece) {
  out.insert(out.end(), piece.begin(), piece.end());
}

// Writes the drawing (and its tags) of one found drawing to its own workspace file,
// named by the drawing's offset. False when the file cannot be created.
bool WriteDrawingFile(RecoveryJob& job, DamagedFile& file, const FoundRecord& drawing,
                      const std::string& path) {
  const std::vector<uint8_t> bytes = ReadDrawingWithTags(file, job.prog_tags, drawing);
  return WriteWholeFile(path, bytes);
}

// The drawings that are not slides of the deck, in the log.
void ReportLeftOut(RecoveryJob& job, const SlidePlan& plan) {
  if (plan.left_out() == 0) return;
  job.sink().AppendLog("    Not slides of the deck: " + std::to_string(plan.masters) + " master, " +
                       std::to_string(plan.notes) + " notes, " + std::to_string(plan.handouts) +
                       " handout drawings, " + std::to_string(plan.older_versions) +
                       " older versions of slides\r\n");
}

}  // namespace

void PadSlideDocument(std::vector<uint8_t>& stream) {
  while (stream.size() < kMinimumStream) stream.insert(stream.end(), kPaddingBlock, kPaddingByte);
}

void BuildSlideDocument(RecoveryJob& job, const std::string& drawing_path,
                        const IntegrateDocument& integrate, PictureSource* pictures) {
  const TraceLog& trace = job.trace();
  const Workspace& ws = job.workspace();
  trace.Checkpoint(127);
  trace.Checkpoint(128);
  const std::string document_path = ws.File(kSlideDocumentFile);
  const int document = CreateForWriting(document_path, 0600);
  if (document < 0) return ShowCriticalError(job.sink(), kErrorSlideDocument);
  const auto drop_document = [&] { Files().Close(document); };
  auto prefix_file = OpenFile(ws.File(kTrialStreamFile), "rb");
  if (!prefix_file) {
    drop_document();
    return ShowCriticalError(job.sink(), kErrorPrefixOpen);
  }
  auto drawing_file = OpenFile(drawing_path, "rb");
  if (!drawing_file) {
    drop_document();
    return ShowCriticalError(job.sink(), kErrorDrawingOpen);
  }
  trace.Checkpoint(129);

  std::vector<uint8_t> stream;
  ReadWholeFile(prefix_file.get(), stream);
  prefix_file.reset();
  const size_t prefix_length = stream.size();
  std::vector<uint8_t> drawing;
  ReadWholeFile(drawing_file.get(), drawing);
  drawing_file.reset();
  if (prefix_length < kSlideHeadSize) {  // not a prefix this rebuild wrote
    drop_document();
    return;
  }
  // The slide that the prefix opens spans its atom and the drawing.
  PutU32(stream, prefix_length - kSlideLengthField, static_cast<uint32_t>(drawing.size() + 32));
  Append(stream, drawing);
  trace.Checkpoint(130);

  TemplateRecords& t = job.templates();
  std::unique_ptr<PictureSource> own;
  if (pictures == nullptr) {
    own = PictureSource::Open(ws.File(kPicturesFile));
    pictures = own.get();
  }
  std::string pictures_path;
  if (pictures != nullptr && t.master_stream_offset >= kBlipStoreStreamOffset &&
      t.master_stream_offset <= prefix_length - kSlideHeadSize) {
    const size_t master_offset = static_cast<size_t>(t.master_stream_offset);
    const size_t store_length = master_offset - kMasterOffsetWithoutBlipStore;
    const std::vector<uint8_t> master(
        stream.begin() + static_cast<std::ptrdiff_t>(master_offset),
        stream.begin() + static_cast<std::ptrdiff_t>(prefix_length - kSlideHeadSize));
    const std::span<const uint8_t> referring[] = {master, drawing};
    pictures_path = SelectDocumentPictures(job, *pictures, stream, kBlipStoreStreamOffset,
                                           store_length, referring);
  }
  const auto directory_offset = static_cast<uint32_t>(stream.size());
  Append(stream, MakePersistDirectoryBlock(static_cast<uint32_t>(t.master_stream_offset),
                                           static_cast<uint32_t>(prefix_length - kSlideHeadSize)));
  t.user_edit_offset = stream.size();
  Append(stream, MakeUserEditBlock(directory_offset));
  trace.Checkpoint(131);
  PadSlideDocument(stream);
  const bool written = WriteAll(document, stream.data(), stream.size(), document_path);
  const bool closed = CloseChecked(document, document_path);
  if (!written || !closed) return;

  if (pictures_path.empty()) return;
  std::unique_ptr<DamagedFile> selected = DamagedFile::Open(pictures_path);
  std::unique_ptr<DamagedFile> packed_document = DamagedFile::Open(document_path);
  if (!selected || !packed_document) return;
  SetCurrentUserEditOffset(t, t.user_edit_offset);
  trace.Checkpoint(132);
  const std::string compound_path = ws.File(kRebuiltCompoundFile);
  WriteRebuiltCompound(job, *selected, *packed_document, compound_path);
  selected.reset();
  packed_document.reset();
  integrate(job, compound_path);
}

RebuildSummary RebuildPresentation(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice,
                                   const RebuildOptions& options) {
  const IntegrateDocument integrate =
      options.integrate ? options.integrate : IntegrateDocument(&PreviewRebuiltPresentation);
  const TraceLog& trace = job.trace();
  const Workspace& ws = job.workspace();
  RebuildSummary summary;

  trace.Checkpoint(101);
  const ChosenRecords records = LoadChosenRecords(job.templates(), file, choice);
  trace.Checkpoint(ChoiceCheckpoint(choice.kind));
  trace.Checkpoint(107);
  StreamPrefix prefix = ComposeStreamPrefix(job.templates(), records.blip_store, records.master);
  trace.Checkpoint(108);
  trace.Checkpoint(109);
  Append(prefix.bytes, job.templates().slide_head);

  bool prefix_written = WriteWholeFile(ws.File(kTrialStreamFile), prefix.bytes);
  if (!prefix_written) {
    ShowCriticalError(job.sink(), kErrorPrefixFile);
  } else {
    trace.Checkpoint(120);
    trace.Checkpoint(121);
    const SlideTextMatcher matcher(file, job.slide_lists);
    const SlidePlan plan = PlanSlides(file, job.drawings, matcher);
    ReportLeftOut(job, plan);
    summary.slides_planned = plan.slides.size();
    summary.drawings_left_out = plan.left_out();
    const size_t count = plan.slides.size();
    std::unique_ptr<PictureSource> pictures = PictureSource::Open(ws.File(kPicturesFile));
    trace.Checkpoint(122);
    trace.Checkpoint(123);
    for (size_t k = 1; k <= count; ++k) {
      trace.Checkpoint(124);
      if (job.StopRequested()) {
        summary.stopped = true;
        break;
      }
      job.sink().SetProgress(static_cast<int>(100 * k / count));
      const FoundRecord& drawing = plan.slides[k - 1].drawing;
      const std::string drawing_path =
          ws.File(std::to_string(static_cast<uint32_t>(drawing.offset)));
      trace.Checkpoint(125);
      if (!WriteDrawingFile(job, file, drawing, drawing_path)) {
        ShowCriticalError(job.sink(), kErrorDrawingFile);
        break;
      }
      trace.Checkpoint(126);
      BuildSlideDocument(job, drawing_path, integrate, pictures.get());
      std::remove(drawing_path.c_str());
      summary.drawings_handled = k;
    }
  }

  if (!options.deck_path.empty()) {
    summary.deck = SaveRepairedDeck(job, file, choice, options.deck_path, summary.drawings_handled);
    summary.deck_saved = summary.deck.written;
  }
  ws.Delete();
  return summary;
}

}  // namespace vlx
