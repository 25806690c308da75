#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  std::vector<int> critical_errors;
  bool stopped = false;
  std::string failure;                  // why the run ended early ("" when it did not)
  std::optional<CensusSummary> census;  // standard mode: what the scans found
  std::vector<MasterEntry> masters;

  bool RecoveredSomething() const {
    return !saved_presentation.empty() || !slides.empty() || !data_slides.empty() ||
           !pictures.empty();
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
