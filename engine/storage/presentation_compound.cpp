#include "engine/storage/presentation_compound.h"

#include <unistd.h>

#include "engine/storage/compound_storage.h"
#include "engine/storage/copy_file_to_stream.h"

namespace vlx {
namespace {

void Mark(const CheckpointWriter& checkpoint, int number) {
  if (number != 0 && checkpoint) checkpoint(number);
}

}  // namespace

CompoundWriteResult WritePresentationCompound(const PresentationCompoundMarks& marks,
                                              const CheckpointWriter& checkpoint,
                                              DamagedFile* pictures, DamagedFile* document,
                                              const std::string& path,
                                              const std::array<uint8_t, 5120>& current_user) {
  Mark(checkpoint, marks.first);
  Mark(checkpoint, marks.second);
  std::unique_ptr<CompoundStorage> storage = CompoundStorage::Create(path);
  if (storage == nullptr) {
    ::unlink(path.c_str());  // whatever the failed creation left
    Mark(checkpoint, marks.last);
    return CompoundWriteResult::kNotCreated;
  }
  Mark(checkpoint, marks.after_storage);

  const char* const names[3] = {kPicturesStream, kCurrentUserStream, kDocumentStream};
  CompoundStream* streams[3] = {};
  for (int i = 0; i < 3; ++i) {
    streams[i] = storage->CreateStream(names[i]);
    Mark(checkpoint, marks.after_stream[i]);
  }
  Mark(checkpoint, marks.after_all_streams);
  auto [pictures_stream, current_user_stream, document_stream] = streams;

  if (pictures_stream != nullptr && pictures != nullptr) {
    CopyFileToStream(*pictures_stream, *pictures);
  }
  if (current_user_stream != nullptr) {
    current_user_stream->Seek(0);
    current_user_stream->Write(current_user.data(), current_user.size());
  }
  Mark(checkpoint, marks.after_current_user);
  if (document_stream != nullptr && document != nullptr) {
    CopyFileToStream(*document_stream, *document);
  }
  Mark(checkpoint, marks.after_document);

  const bool committed = storage->Commit();
  storage.reset();  // releases the streams, then the storage
  // A compound file that could not be written whole is not left for a later stage (or
  // the office) to take for one.
  if (!committed) ::unlink(path.c_str());
  Mark(checkpoint, marks.after_release);
  Mark(checkpoint, marks.last);
  return committed ? CompoundWriteResult::kWritten : CompoundWriteResult::kIncomplete;
}

}  // namespace vlx
