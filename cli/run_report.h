#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/recovery_outcome.h"
#include "engine/scan/census_summary.h"

namespace vlx::cli {

// A listed slide or data slide and its thumbnail file (empty when none was written).
struct ThumbnailEntry {
  std::string label;
  std::string thumbnail;
};

// A picture saved in its original format, with its thumbnail file (or empty).
struct PictureEntry {
  std::string file;
  std::string extension;
  std::string thumbnail;
  int64_t offset = -1;  // where the picture was first found in the damaged file
};

// A saved text file of recovered slide texts.
struct TextEntry {
  std::string label;  // "Slide 3 text", "All slide texts"
  std::string file;
};

// A master-slide candidate the standard mode offered.
struct MasterEntry {
  int number = 0;  // 1-based, as --master takes it
  std::string kind;
  std::string thumbnail;
};

// One run of one mode on one input.
struct RunRecord {
  std::string mode;                // "fast" or "standard"
  std::string output_folder;       // ends in '/'
  std::string saved_presentation;  // empty when none was saved
  std::vector<ThumbnailEntry> slides;
  std::vector<ThumbnailEntry> data_slides;
  std::vector<PictureEntry> pictures;
  std::vector<TextEntry> texts;
  std::vector<int> critical_errors;
  bool stopped = false;
  std::string failure;                  // why the run ended early ("" when it did not)
  std::optional<CensusSummary> census;  // standard mode: what the scans found
  std::vector<MasterEntry> masters;
  std::optional<RecoveryOutcome> recovery;  // fast mode: how the streams were got

  bool checked_by_office = false;  // an office was there to open what was saved

  // A saved presentation counts when it was not checked, or when the office opened a
  // slide of it; listed slides and saved pictures always count.
  bool RecoveredSomething() const {
    const bool opens = !checked_by_office || !slides.empty() || !data_slides.empty();
    return (!saved_presentation.empty() && opens) || !slides.empty() || !data_slides.empty() ||
           !pictures.empty() || !texts.empty();
  }
};

// Everything done for one input file.
struct FileReport {
  std::string input;
  int exit_status = 0;
  std::string error;  // why the input was refused, when it was
  std::vector<RunRecord> runs;
};

// The --json document: the tool's version, every input's report, the exit status.
std::string ReportJson(const std::vector<FileReport>& files, int exit_status);

}  // namespace vlx::cli
