#include "engine/fast/assemble_compound.h"

#include "engine/storage/presentation_compound.h"

namespace vlx {

bool AssembleCompound(RecoveryJob& job, DamagedFile* pictures, DamagedFile* document,
                      const std::string& compound_path) {
  PresentationCompoundMarks marks;
  marks.first = 133;
  marks.second = 134;
  marks.storage_error = 7;
  marks.after_storage = 135;
  marks.after_all_streams = 136;
  marks.after_current_user = 136;
  marks.after_release = 137;
  marks.last = 138;
  return WritePresentationCompound(job, marks, pictures, document, compound_path);
}

}  // namespace vlx
