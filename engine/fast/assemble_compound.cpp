#include "engine/fast/assemble_compound.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/format/template_records.h"
#include "engine/job/messages.h"
#include "engine/storage/presentation_compound.h"

namespace vlx {
namespace {

constexpr int kErrorNoCompound = 7;

}  // namespace

bool AssembleCompound(RecoveryJob& job, DamagedFile* pictures, DamagedFile* document,
                      const std::string& compound_path) {
  PresentationCompoundMarks marks;
  marks.first = 133;
  marks.second = 134;
  marks.after_storage = 135;
  marks.after_all_streams = 136;
  marks.after_current_user = 136;
  marks.after_release = 137;
  marks.last = 138;
  const std::array<uint8_t, 5120> current_user = CurrentUserFor(job.templates(), document);
  const CompoundWriteResult result =
      WritePresentationCompound(marks, [&job](int n) { job.trace().Checkpoint(n); }, pictures,
                                document, compound_path, current_user);
  if (result == CompoundWriteResult::kNotCreated) ShowCriticalError(job.sink(), kErrorNoCompound);
  return result == CompoundWriteResult::kWritten;
}

std::array<uint8_t, 5120> CurrentUserFor(const TemplateRecords& templates,
                                         DamagedFile* document) {
  std::array<uint8_t, 5120> image = templates.current_user_image;
  uint8_t* field = image.data() + kCurrentUserEditOffsetField;
  const uint32_t offset = LoadU32(field);
  uint8_t header[8] = {};
  const bool names_an_edit = document != nullptr && offset != 0 &&
                             document->ReadAt(offset, header, sizeof header) == sizeof header &&
                             LoadU16(header + 2) == kTypeUserEditAtom;
  if (!names_an_edit) StoreU32(field, 0);
  return image;
}

}  // namespace vlx
