#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/job/damaged_file.h"
#include "engine/job/recovery_job.h"
#include "engine/storage/copy_file_to_stream.h"

namespace vlx {

// Assembles the carved workspace files into the compound file at compound_path:
// "Pictures" from pictures, "Current User" from the template Current User image,
// "PowerPoint Document" from document. A null source leaves its stream empty.
// The Current User written names the document's current edit only when the carved
// document holds a UserEditAtom at that offset; otherwise it names none (0), so the
// office finds the edit itself instead of refusing a file whose Current User came from
// another document, an earlier run, or was cut off with the file's end.
// When the file cannot be created, Critical Error 007 is shown. Returns true when the
// file was written completely (the fast pipeline goes on either way).
bool AssembleCompound(RecoveryJob& job, DamagedFile* pictures, DamagedFile* document,
                      const std::string& compound_path);

// The Current User image for a carved document: the template image, with its
// offsetToCurrentEdit set to 0 unless the document holds a UserEditAtom there.
std::array<uint8_t, 5120> CurrentUserFor(const TemplateRecords& templates, DamagedFile* document);

}  // namespace vlx
