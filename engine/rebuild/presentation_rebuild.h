#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/rebuild/master_candidate.h"
#include "engine/rebuild/repaired_deck.h"

namespace vlx {

class RecoveryJob;

// What happens to each rebuilt presentation (the workspace's vlxppt) once it is
// written; by default the office previews it into the slide list.
using IntegrateDocument = std::function<void(RecoveryJob&, const std::string& compound_path)>;

struct RebuildOptions {
  IntegrateDocument integrate;  // empty: PreviewRebuiltPresentation
  // When set, the repaired deck of the drawings handled is saved here before the
  // workspace goes (the office's copy when it can open ours, else our own file).
  std::string deck_path;
};

struct RebuildSummary {
  size_t drawings_handled = 0;   // drawings whose document was built
  size_t slides_planned = 0;     // found drawings that are slides of the deck
  size_t drawings_left_out = 0;  // drawings of masters, notes, handouts, older versions
  bool stopped = false;          // left early on a stop request
  bool deck_saved = false;       // the repaired deck is at RebuildOptions::deck_path
  DeckSave deck;                 // how it was saved
};

// Builds one presentation per found slide drawing (PlanSlides: in the original order,
// without masters, notes, handouts and older versions) with the chosen master and blip
// store, hands each to the integration, then deletes the workspace.
RebuildSummary RebuildPresentation(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice,
                                   const RebuildOptions& options = {});

class PictureSource;

// Turns the prefix in big0012241 and one drawing file into Dat0012241, packs it with the
// pictures that the drawing and the master refer to into vlxppt (the blip store
// rewritten to match) and integrates it. Uses the master offset of the last build.
// Without a source the workspace's pictures file is read for this one document; when
// there is none, nothing is packed.
void BuildSlideDocument(RecoveryJob& job, const std::string& drawing_path,
                        const IntegrateDocument& integrate, PictureSource* pictures = nullptr);

// Grows a stream shorter than 4096 bytes by 512-byte blocks of 0xFE to at least that.
void PadSlideDocument(std::vector<uint8_t>& stream);

}  // namespace vlx
