#pragma once

// Runs the salvage on a damaged file and gives back its streams by path, in the form
// the independent reader's results take ("Storage/Stream", UTF-8).

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/format/text_encoding.h"
#include "engine/job/damaged_file.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/salvage_plan.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {

struct SalvageRun {
  bool planned = false;
  salvage::SalvagePlan plan;
  salvage::SalvagedCompound compound;
  std::map<std::string, std::vector<unsigned char>> streams;
};

inline std::string JoinedPath(const std::vector<std::u16string>& path) {
  std::string joined;
  for (const std::u16string& part : path) joined += (joined.empty() ? "" : "/") + Utf16ToUtf8(part);
  return joined;
}

// Salvages with the best plan; the streams' bytes are read back from their spool files.
inline SalvageRun RunSalvage(const std::string& damaged, const TempDir& work) {
  SalvageRun run;
  auto file = DamagedFile::Open(damaged);
  if (!file) return run;
  std::vector<salvage::SalvagePlan> plans = salvage::PlanSalvage(*file);
  if (plans.empty()) return run;
  run.planned = true;
  run.plan = plans.front();
  std::string why;
  EXPECT_TRUE(salvage::ExtractSalvage(*file, run.plan, work.File("s-"), &run.compound, &why))
      << why;
  for (const salvage::SalvagedStream& s : run.compound.streams)
    run.streams[JoinedPath(s.item.path)] = ReadAll(s.file);
  return run;
}

}  // namespace vlx::testing
