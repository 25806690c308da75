#pragma once

#include <cstddef>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/compound_marks.h"
#include "engine/salvage/table_page_search.h"

namespace vlx::salvage {

// What one sequential pass over the damaged bytes finds of the compound files in them:
// their marks, and the table pages of the sector layouts the marks found so far point
// at (a root entry's, and a header's for both sector sizes), the first max_layouts of
// them in layout order.
struct CompoundScan {
  explicit CompoundScan(uint64_t file_length) : pages(file_length) {}

  CompoundMarks marks;
  TablePageSearch pages;
};

CompoundScan ScanForCompoundFiles(DamagedFile& file, size_t max_layouts);

// The table pages of each layout: those the pass found, after those of the blocks before
// the layout was learnt (or of all its blocks, for a layout the pass did not search),
// which one more pass, as short as they allow, finds.
std::vector<std::vector<TablePage>> TablePagesOf(DamagedFile& file, CompoundScan& scan,
                                                 const std::vector<SectorLayout>& layouts);

}  // namespace vlx::salvage
