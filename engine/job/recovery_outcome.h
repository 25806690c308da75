#pragma once

#include <string>
#include <vector>

namespace vlx {

// How a run got the presentation it saved, reported once to the view at the end of
// the fast mode.
struct RecoveryOutcome {
  std::string method;                // "byte-exact streams", "carved streams", ... ("" = none)
  bool verified = false;             // the stream set passed the presentation check
  std::string verdict;               // the check's summary (or why nothing verified)
  std::vector<std::string> repairs;  // what was changed on the way
  int checked_slides = 0;            // slides the check found in the slide list
  bool opened = false;               // the office opened the saved file
  std::string saved_file;            // "" when nothing was saved
};

}  // namespace vlx
