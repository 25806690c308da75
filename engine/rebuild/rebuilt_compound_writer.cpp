#include "engine/rebuild/rebuilt_compound_writer.h"

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "engine/job/messages.h"
#include "engine/storage/presentation_compound.h"

namespace vlx {
namespace {

// Writes the compound file with the run's Current User image, the marks in the trace and
// the critical error when the file cannot be created.
bool WriteWithMarks(RecoveryJob& job, const PresentationCompoundMarks& marks, int error_code,
                    DamagedFile* pictures, DamagedFile* document, const std::string& target) {
  const CompoundWriteResult result = WritePresentationCompound(
      marks, [&job](int n) { job.trace().Checkpoint(n); }, pictures, document, target,
      job.templates().current_user_image);
  if (result == CompoundWriteResult::kNotCreated) ShowCriticalError(job.sink(), error_code);
  return result == CompoundWriteResult::kWritten;
}

}  // namespace

bool WriteRebuiltCompound(RecoveryJob& job, DamagedFile& pictures, DamagedFile& document,
                          const std::string& target) {
  PresentationCompoundMarks marks;
  marks.first = 139;
  marks.second = 140;
  marks.after_all_streams = 141;
  marks.after_release = 142;
  marks.last = 143;
  return WriteWithMarks(job, marks, 26, &pictures, &document, target);
}

void SetCurrentUserEditOffset(TemplateRecords& templates, uint64_t user_edit_offset) {
  PutU32(templates.current_user_image, kCurrentUserEditOffsetField,
         static_cast<uint32_t>(user_edit_offset));
}

bool WriteTrialCompound(RecoveryJob& job, const std::string& pictures_path,
                        const std::string& document_path, const std::string& target) {
  job.trace().Checkpoint(33);
  job.trace().Checkpoint(34);
  std::unique_ptr<DamagedFile> pictures = DamagedFile::Open(pictures_path);
  if (pictures == nullptr) {
    ShowCriticalError(job.sink(), 28);
    return false;
  }
  std::unique_ptr<DamagedFile> document = DamagedFile::Open(document_path);
  if (document == nullptr) {
    ShowCriticalError(job.sink(), 29);
    return false;
  }
  SetCurrentUserEditOffset(job.templates(), job.templates().user_edit_offset);
  job.trace().Checkpoint(35);

  PresentationCompoundMarks marks;
  marks.first = 36;
  marks.second = 37;
  marks.after_storage = 38;
  marks.after_stream = {39, 40, 41};
  marks.after_current_user = 42;
  marks.after_document = 43;
  marks.last = 44;
  const bool written = WriteWithMarks(job, marks, 27, pictures.get(), document.get(), target);
  job.trace().Checkpoint(45);
  return written;  // both files are closed on return
}

}  // namespace vlx
