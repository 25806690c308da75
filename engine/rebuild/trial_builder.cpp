#include "engine/rebuild/trial_builder.h"

#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"
#include "engine/rebuild/document_pictures.h"
#include "engine/rebuild/persist_directory.h"
#include "engine/rebuild/picture_selection.h"
#include "engine/rebuild/rebuilt_compound_writer.h"
#include "engine/rebuild/record_copy.h"
#include "engine/rebuild/stream_prefix.h"

namespace vlx {
namespace {
constexpr int kErrorTrialStream = 18;

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> piece) {
  out.insert(out.end(), piece.begin(), piece.end());
}
}  // namespace

std::vector<uint8_t> ComposeTrialStream(TemplateRecords& t, std::span<const uint8_t> blip_store,
                                        std::span<const uint8_t> master) {
  StreamPrefix prefix = ComposeStreamPrefix(t, blip_store, master);
  std::vector<uint8_t> stream = std::move(prefix.bytes);
  const auto slide_offset = static_cast<uint32_t>(stream.size());
  Append(stream, t.trial_slide);
  const auto directory_offset = static_cast<uint32_t>(stream.size());
  Append(stream, MakePersistDirectoryBlock(prefix.master_offset, slide_offset));
  t.user_edit_offset = stream.size();
  Append(stream, MakeUserEditBlock(directory_offset));
  return stream;
}

void BuildTrial(RecoveryJob& job, std::span<const uint8_t> blip_store,
                std::span<const uint8_t> master, PictureSource* pictures) {
  const TraceLog& trace = job.trace();
  trace.Checkpoint(28);
  std::vector<uint8_t> stream = ComposeTrialStream(job.templates(), blip_store, master);
  trace.Checkpoint(29);
  std::unique_ptr<PictureSource> own;
  if (pictures == nullptr) {
    own = PictureSource::Open(job.workspace().File(kPicturesFile));
    pictures = own.get();
  }
  // Without a pictures file the writer below reports it (Critical Error 028).
  std::string pictures_path = job.workspace().File(kPicturesFile);
  if (pictures != nullptr) {
    const std::span<const uint8_t> referring[] = {master};
    const std::string selected = SelectDocumentPictures(
        job, *pictures, stream, kBlipStoreStreamOffset, blip_store.size(), referring);
    if (!selected.empty()) pictures_path = selected;
  }
  const std::string stream_path = job.workspace().File(kTrialStreamFile);
  if (!WriteWholeFile(stream_path, stream)) {
    ShowCriticalError(job.sink(), kErrorTrialStream);
    return;
  }
  trace.Checkpoint(30);
  trace.Checkpoint(31);
  trace.Checkpoint(32);
  WriteTrialCompound(job, pictures_path, stream_path, job.workspace().File(kRebuiltCompoundFile));
  trace.Checkpoint(46);
}

}  // namespace vlx
