#pragma once

#include <string>

#include "engine/job/recovery_job.h"

namespace vlx {

// What the office made of an assembled presentation. kFailed: the office crashed or
// stopped answering, twice or past a restart, so it said nothing about the file.
enum class OfficeVerdict { kUnavailable, kOpened, kRefused, kFailed };

// The office's open of an assembled presentation and its slides exported as pictures.
struct DeckExport {
  OfficeVerdict verdict = OfficeVerdict::kUnavailable;
  int slides = 0;             // slides the office counted (kOpened only)
  bool placeholders = false;  // the office cannot export pictures: thumbnails are placeholders
  std::string folder;         // where the slide pictures are
};

// Opens the presentation at path in a new office, exports every slide into
// export_folder and closes it. When the office itself fails, a restarted office tries
// again, once. Without an office the verdict is kUnavailable (Critical Error 008 shown).
DeckExport ExportDeckSlides(RecoveryJob& job, const std::string& path,
                            const std::string& export_folder);

// One thumbnail per exported slide in the slide list, with its log line. Returns
// normally on a stop.
void ListExportedSlides(RecoveryJob& job, const DeckExport& exported);

// Copies the assembled presentation to result, its bytes as they are. False (logged)
// when it cannot.
bool SaveDeckCopy(RecoveryJob& job, const std::string& assembled, const std::string& result);

}  // namespace vlx
