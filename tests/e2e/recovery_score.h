#pragma once

// What one mode recovered from the damaged copies of one kind, measured against the
// intact originals: presentations the office opens, slides, slide texts, pictures.

#include <optional>
#include <string>
#include <vector>

#include "engine/office/office_api.h"
#include "tests/e2e/presentation_facts.h"

namespace vlx::e2e {

struct RecoveryScore {
  int files = 0;
  int opened = 0;  // saved presentations the office opens
  int original_slides = 0;
  int recovered_slides = 0;  // per file at most the original's count
  int output_slides = 0;     // all slides of the opened outputs
  int texts = 0;
  int texts_found = 0;  // in outputs the office opens
  int pictures = 0;
  int pictures_identical = 0;

  double OpenedShare() const { return Share(opened, files); }
  double SlideShare() const { return Share(recovered_slides, original_slides); }
  double TextShare() const { return Share(texts_found, texts); }
  double PictureShare() const { return Share(pictures_identical, pictures); }
  static double Share(int part, int whole) { return whole == 0 ? 1.0 : double(part) / whole; }
};

// What one run left for one input.
struct RecoveredOutput {
  std::string saved_presentation;  // empty: none
  std::vector<std::string> picture_files;
};

// Opens a presentation read-only in the office and counts its slides; nullopt when the
// office refuses it.
std::optional<int> OfficeSlideCount(office::AutomationServer& server, const std::string& path);

// Adds one input's result to the score.
void ScoreOutput(const PresentationFacts& original, const RecoveredOutput& output,
                 office::AutomationServer& server, RecoveryScore* score);

// Counts the original's texts that occur in the output text, and the original's
// pictures among the saved picture files' contents.
int TextsFound(const std::vector<std::string>& texts, const std::string& output_text);
int PicturesIdentical(const std::vector<Bytes>& originals, const std::vector<Bytes>& saved);

}  // namespace vlx::e2e
