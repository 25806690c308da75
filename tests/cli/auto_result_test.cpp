// Auto mode's one result in one folder: which run is kept, and the files and paths
// that remain.

#include "cli/auto_result.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace vlx::cli {
namespace {

using vlx::testing::TempDir;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void Touch(const std::string& path) {
  std::ofstream(path) << "x";
}

struct TwoRuns {
  TempDir dir;
  RunRecord fast, standard;

  TwoRuns() {
    const std::string outer = dir.File("Rec/");
    const std::string inner = outer + "Rec/";
    ::mkdir(outer.c_str(), 0700);
    ::mkdir((outer + "Thumbnails").c_str(), 0700);
    ::mkdir(inner.c_str(), 0700);
    ::mkdir((inner + "Thumbnails").c_str(), 0700);
    fast.mode = "fast";
    fast.output_folder = outer;
    fast.saved_presentation = outer + "RecSlideIntigrated.ppt";
    Touch(fast.saved_presentation);
    fast.slides = {{"Slide 1", outer + "Thumbnails/Slide 1.jpg"}};
    Touch(fast.slides[0].thumbnail);
    standard.mode = "standard";
    standard.output_folder = inner;
    standard.saved_presentation = inner + "RecSlide.ppt";
    Touch(standard.saved_presentation);
    standard.slides = {{"Slide 1", inner + "Thumbnails/Slide 1.jpg"},
                       {"Slide 2", inner + "Thumbnails/Slide 2.jpg"}};
    for (const auto& s : standard.slides) Touch(s.thumbnail);
    ::mkdir((inner + "Texts").c_str(), 0700);
    standard.texts = {{"Slide 1 text", inner + "Texts/Slide 1.txt"}};
    Touch(standard.texts[0].file);
  }
};

TEST(AutoResult, CheckedFastResultIsKeptAndTheNestedFolderGoes) {
  TwoRuns runs;
  runs.fast.recovery = RecoveryOutcome{"byte-exact streams", true, "verified", {}, 1, true, ""};
  runs.fast.slides.push_back({"Slide 2", ""});
  EXPECT_TRUE(FastRunIsWhole(runs.fast));
  EXPECT_EQ(KeepBetterRun(runs.fast, runs.standard), 0);
  EXPECT_TRUE(Exists(runs.fast.saved_presentation));
  EXPECT_FALSE(Exists(runs.dir.File("Rec/Rec")));
  EXPECT_TRUE(runs.standard.saved_presentation.empty());
  EXPECT_EQ(runs.standard.output_folder, runs.fast.output_folder);
  EXPECT_TRUE(runs.standard.texts.empty()) << "its texts went with its folder";
}

TEST(AutoResult, UncheckedFastResultGivesWayToTheRebuildWhichMovesUp) {
  TwoRuns runs;
  EXPECT_FALSE(FastRunIsWhole(runs.fast));
  EXPECT_EQ(KeepBetterRun(runs.fast, runs.standard), 1);
  const std::string outer = runs.dir.File("Rec/");
  EXPECT_EQ(runs.standard.output_folder, outer);
  EXPECT_EQ(runs.standard.saved_presentation, outer + "RecSlide.ppt");
  EXPECT_TRUE(Exists(outer + "RecSlide.ppt"));
  EXPECT_EQ(runs.standard.slides[1].thumbnail, outer + "Thumbnails/Slide 2.jpg");
  EXPECT_TRUE(Exists(runs.standard.slides[1].thumbnail));
  EXPECT_EQ(runs.standard.texts[0].file, outer + "Texts/Slide 1.txt");
  EXPECT_TRUE(Exists(runs.standard.texts[0].file));
  EXPECT_FALSE(Exists(outer + "RecSlideIntigrated.ppt")) << "the fast run's file goes";
  EXPECT_FALSE(Exists(outer + "Rec"));
  EXPECT_TRUE(runs.fast.saved_presentation.empty());
  EXPECT_EQ(HowRecovered(runs.standard), "rebuilt from the records found (standard mode)");
}

TEST(AutoResult, FastResultStaysWhenTheRebuildSavedNothing) {
  TwoRuns runs;
  runs.standard.saved_presentation.clear();
  EXPECT_EQ(KeepBetterRun(runs.fast, runs.standard), 0);
  EXPECT_TRUE(Exists(runs.fast.saved_presentation));
}

}  // namespace
}  // namespace vlx::cli
