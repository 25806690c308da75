#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/format/template_records.h"
#include "engine/job/damaged_file.h"
#include "engine/rebuild/chosen_records.h"
#include "engine/rebuild/master_candidate.h"

namespace vlx {

class RecoveryJob;

// The slides of the repaired deck, in order: first one per found drawing (the drawing
// bytes with their programmable tags, and any text records carried over from the
// slide's own slide-list entry), then one per slide number with recovered text.
struct DeckContent {
  struct DrawingSlide {
    std::vector<uint8_t> drawing;
    std::vector<uint8_t> text_records;  // may be empty
    int32_t text_count = 2;
    bool well_formed = true;  // false: its records did not nest and were trimmed
  };
  struct TextSlide {
    std::string title;
    std::vector<std::string> body;
  };
  std::vector<DrawingSlide> drawing_slides;
  std::vector<TextSlide> text_slides;
  size_t matched_texts = 0;  // drawing slides that got their own slide's texts back
  size_t slide_count() const { return drawing_slides.size() + text_slides.size(); }
  // The same without the drawings whose records do not nest.
  DeckContent WellFormedOnly() const;
};

struct DeckStream {
  std::vector<uint8_t> bytes;
  uint32_t user_edit_offset = 0;
};

// One "PowerPoint Document" stream with every slide of the content.
DeckStream ComposeDeckStream(TemplateRecords& templates, const ChosenRecords& records,
                             const DeckContent& content);

// The deck's slides from the job: the first drawing_limit found drawings (each with its
// slide's own text records where SlideTextMatcher proves which slide it is) and the
// recovered slide texts.
DeckContent CollectDeckContent(RecoveryJob& job, DamagedFile& file,
                               size_t drawing_limit = std::numeric_limits<size_t>::max());

struct DeckSave {
  bool written = false;       // a presentation is at the output path
  bool by_office = false;     // the office's own save of it
  size_t drawing_slides = 0;  // slides of the deck saved
  size_t text_slides = 0;
  size_t drawings_left_out = 0;  // malformed drawings dropped to let the office open it
  size_t matched_texts = 0;      // drawing slides with their own placeholder texts
  size_t drawings_trimmed = 0;   // malformed drawings that went in trimmed
};

// Builds the repaired deck in the workspace (needs its vlxpicfile; without one the
// pictures stream stays empty) and saves it at output_path: through the office's
// binary save when an office is there and opens it with every slide; when it cannot,
// the deck without its malformed drawings is tried the same way and, failing that,
// written as our own file. Without an office our own file is written. A drawing whose
// records do not nest goes in trimmed to its sound records (TrimToWellFormed).
// A deck without any slide is not saved.
DeckSave SaveRepairedDeck(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice,
                          const std::string& output_path,
                          size_t drawing_limit = std::numeric_limits<size_t>::max());

}  // namespace vlx
