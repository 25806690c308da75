#pragma once

#include <map>
#include <string>

#include "engine/format/slide_text_store.h"
#include "engine/job/recovery_job.h"

namespace vlx {

// The recovered texts by slide number: each slide's texts, one a line, byte texts before
// character texts, each kind in the order found.
std::map<int64_t, std::string> TextsBySlide(const SlideTextStore& store);

// Writes the recovered slide texts into Texts/ of the output folder as UTF-8 files, one
// per slide number ("Slide 3.txt") and one with all of them ("All slides.txt", each
// slide under a "Slide N" line), and reports each file to the view. Writes nothing when
// no text was recovered; a file that cannot be written is named in the log and is
// not reported.
void SaveSlideTexts(RecoveryJob& job, const std::string& output_folder);

}  // namespace vlx
