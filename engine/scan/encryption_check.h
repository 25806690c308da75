#pragma once

#include "engine/job/damaged_file.h"

namespace vlx {

// Whether the damaged file shows the marks of a presentation saved with a password:
// the encryption container record (version 0xF, its record type) or the directory name
// of the encrypted summary stream. Such a file's slides cannot be read back; the run
// says so instead of leaving the user to wonder.
bool LooksEncrypted(DamagedFile& file);

// The log line of such a file.
inline constexpr const char* kEncryptedNotice =
    "The file is encrypted (saved with a password): its slides and texts cannot be "
    "recovered; only unencrypted parts such as pictures may be.\r\n";

}  // namespace vlx
