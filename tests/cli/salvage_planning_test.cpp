// Planning the salvage reads the whole damaged file: the pictures pass, the fast mode's
// candidates and the standard mode's deck of the file's own records all use one plan,
// and auto mode's standard run after its fast run plans nothing again.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>

#include "automation/testing/scripted_office.h"
#include "cli/fallback_image_toolkit.h"
#include "cli/file_recovery.h"
#include "cli/master_chooser.h"
#include "engine/format/template_records.h"
#include "engine/salvage/salvage_plan.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

struct PlannedRun {
  cli::FileReport report;
  uint64_t plans = 0;  // salvages planned during the run
};

PlannedRun RunTool(RecoveryMode mode, const std::string& input, testing::TempDir& root) {
  std::FILE* out = std::tmpfile();
  cli::ConsoleSink sink(out, false);
  TraceLog trace(root.File("trace.log"), false);
  StopFlag stop{false};
  Workspace workspace = Workspace::At(root.File("work"));
  cli::FallbackImageToolkit images;
  testing::ScriptedOffice office;
  office.SetSlideCount(workspace.File("finpicfile"), 3);
  cli::MasterChooser chooser(1, false);
  TemplateRecords templates = PristineTemplates();
  cli::ToolServices services{sink, trace, stop, workspace, images, templates};
  services.office = &office;
  services.master_chooser = &chooser;
  cli::CommandLine line;
  line.mode = mode;
  ::mkdir(root.File("out").c_str(), 0755);
  PlannedRun run;
  const uint64_t before = salvage::SalvagePlanningCount();
  run.report = cli::RecoverFile(line, root.File("out/"), input, services);
  run.plans = salvage::SalvagePlanningCount() - before;
  std::fclose(out);
  return run;
}

TEST(SalvagePlanning, EachModeRunPlansTheFileOnce) {
  for (RecoveryMode mode : {RecoveryMode::kFast, RecoveryMode::kStandard}) {
    SCOPED_TRACE(mode == RecoveryMode::kFast ? "fast" : "standard");
    testing::TempDir root;
    const PlannedRun run = RunTool(mode, kSample, root);
    ASSERT_EQ(run.report.runs.size(), 1u);
    EXPECT_EQ(run.plans, 1u);
  }
}

// Bytes no mode can verify: auto mode runs the standard mode after the fast mode.
TEST(SalvagePlanning, AutoModesTwoRunsShareOnePlan) {
  testing::TempDir root;
  std::vector<unsigned char> noise(256 * 1024);
  std::mt19937 rng(11);
  for (auto& b : noise) b = static_cast<unsigned char>(rng());
  const PlannedRun run = RunTool(RecoveryMode::kAuto, root.Write("noise.ppt", noise), root);
  ASSERT_EQ(run.report.runs.size(), 2u) << "the standard run did not follow the fast run";
  EXPECT_EQ(run.plans, 1u);
}

}  // namespace
}  // namespace vlx
