#include "engine/storage/presentation_compound.h"

#include <unistd.h>

#include "engine/format/template_records.h"
#include "engine/job/messages.h"
#include "engine/storage/compound_storage.h"
#include "engine/storage/copy_file_to_stream.h"

namespace vlx {
namespace {

void Mark(RecoveryJob& job, int checkpoint) {
  if (checkpoint != 0) job.trace().Checkpoint(checkpoint);
}

}  // namespace

bool WritePresentationCompound(RecoveryJob& job, const PresentationCompoundMarks& marks,
                               DamagedFile* pictures, DamagedFile* document,
                               const std::string& path,
                               const std::array<uint8_t, 5120>* current_user) {
  Mark(job, marks.first);
  Mark(job, marks.second);
  std::unique_ptr<CompoundStorage> storage = CompoundStorage::Create(path);
  if (storage == nullptr) {
    ::unlink(path.c_str());  // whatever the failed creation left
    ShowCriticalError(job.sink(), marks.storage_error);
    Mark(job, marks.last);
    return false;
  }
  Mark(job, marks.after_storage);

  const char* const names[3] = {kPicturesStream, kCurrentUserStream, kDocumentStream};
  CompoundStream* streams[3] = {};
  for (int i = 0; i < 3; ++i) {
    streams[i] = storage->CreateStream(names[i]);
    Mark(job, marks.after_stream[i]);
  }
  Mark(job, marks.after_all_streams);
  auto [pictures_stream, current_user_stream, document_stream] = streams;

  if (pictures_stream != nullptr && pictures != nullptr) {
    CopyFileToStream(*pictures_stream, *pictures);
  }
  if (current_user_stream != nullptr) {
    const auto& image = current_user != nullptr ? *current_user : Templates().current_user_image;
    current_user_stream->Seek(0);
    current_user_stream->Write(image.data(), image.size());
  }
  Mark(job, marks.after_current_user);
  if (document_stream != nullptr && document != nullptr) {
    CopyFileToStream(*document_stream, *document);
  }
  Mark(job, marks.after_document);

  const bool committed = storage->Commit();
  storage.reset();  // releases the streams, then the storage
  // A compound file that could not be written whole is not left for a later stage (or
  // the office) to take for one.
  if (!committed) ::unlink(path.c_str());
  Mark(job, marks.after_release);
  Mark(job, marks.last);
  return committed;
}

}  // namespace vlx
