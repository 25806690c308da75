#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/job/recovery_job.h"

namespace vlx {

// One recovered slide text, with the kind of atom it came from.
struct CensusText {
  int64_t slide = 0;
  bool from_chars_atom = false;  // TextCharsAtom (UTF-16) rather than TextBytesAtom (8-bit)
  std::string text;              // UTF-8
};

// What the standard-mode scans of one job found.
struct CensusSummary {
  size_t drawings = 0;
  size_t prog_tags = 0;
  size_t main_masters = 0;
  size_t blip_stores = 0;
  size_t slide_lists = 0;
  size_t picture_blocks = 0;                     // blocks that begin like a picture record
  std::optional<uint64_t> picture_stream_start;  // the first of them, copied to the workspace
  size_t text_groups = 0;
  std::vector<CensusText> texts;  // byte texts first, then char texts, each in found order
};

CensusSummary SummariseCensus(const RecoveryJob& job);

}  // namespace vlx
