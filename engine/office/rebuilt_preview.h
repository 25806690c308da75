#pragma once

#include <string>

namespace vlx {

class RecoveryJob;

// Opens a rebuilt presentation in the office, exports its slides as pictures into the
// workspace folder "vlxpptuu" and lists the first one in the slide list as
// "Slide <n>" (n = 1 for the first item). A presentation the office cannot open or
// export gets no item. The office the run holds (job.held_application) is used and left
// running; without one an office is started for this preview and ended after it.
void PreviewRebuiltPresentation(RecoveryJob& job, const std::string& path);

}  // namespace vlx
