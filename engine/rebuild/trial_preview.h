#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/job/result_view.h"

namespace vlx {

class RecoveryJob;

// Renders a master-slide trial's first slide for its list item; none when the trial
// gives no picture.
using TrialPreview =
    std::function<std::optional<Bitmap>(RecoveryJob&, const std::string& compound_path)>;

// Lets the office open the trial and export its slides into the workspace's vlxppthh,
// then makes the 170 x 120 thumbnail of Slide1. An office that cannot export gives the
// placeholder picture. Critical Error 017 when no office can be started. One office
// serves every trial previewed through the same function (and its copies); it is
// quit when the last copy goes (see TrialOffice).
TrialPreview OfficeTrialPreview();

// One trial on an office of its own, started and quit for it.
std::optional<Bitmap> PreviewTrialInOffice(RecoveryJob& job, const std::string& compound_path);

// For machines without an office: a trial whose stream (the workspace's big0012241) is
// a well-formed run of records is listed with the placeholder picture; one whose found
// master or blip store is cut short or overruns itself is not.
std::optional<Bitmap> StructuralTrialPreview(RecoveryJob& job, const std::string& compound_path);

}  // namespace vlx
