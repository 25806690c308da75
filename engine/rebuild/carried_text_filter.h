#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "engine/format/slide_text_store.h"
#include "engine/job/damaged_file.h"

namespace vlx {

class RecoveryJob;

// Removes from a text store every text whose comparable form is in `carried`; returns
// how many went.
size_t RemoveCarriedTexts(SlideTextStore& store, const std::set<std::string>& carried);

// Before the data slides are written: the texts that a slide of the repaired deck
// carries itself (its placeholder texts from its slide-list entry, the text of its text
// boxes) are taken out of the job's recovered texts, so data slides are made only for
// text no rebuilt slide holds. The log says how many texts stayed on their slides.
void LeaveDataSlidesOnlyForUncarriedTexts(RecoveryJob& job, DamagedFile& file);

}  // namespace vlx
