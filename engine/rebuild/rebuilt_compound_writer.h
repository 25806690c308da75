#pragma once

#include <string>

#include "engine/format/template_records.h"
#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// Writes the rebuilt presentation (the final document) to target: "Pictures" from
// pictures, "Current User" from the template image (the caller has set its
// offsetToCurrentEdit), "PowerPoint Document" from document. Both files are open and
// stay open. Critical Error 026 when target cannot be created. Returns true when the
// file was written completely (callers go on either way).
bool WriteRebuiltCompound(RecoveryJob& job, DamagedFile& pictures, DamagedFile& document,
                          const std::string& target);

// The same for a master-slide trial: opens both files itself (Critical Error 028 /
// 029 when it cannot), stores the last build's UserEditAtom offset into the Current
// User image, writes target (Critical Error 027 when it cannot be created) and closes
// the files again. Returns true when the file was written completely.
bool WriteTrialCompound(RecoveryJob& job, const std::string& pictures_path,
                        const std::string& document_path, const std::string& target);

// Puts the stream offset of the current UserEditAtom into the Current User image
// (u32, little-endian).
void SetCurrentUserEditOffset(TemplateRecords& templates, uint64_t user_edit_offset);

}  // namespace vlx
