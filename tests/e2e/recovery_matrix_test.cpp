#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <span>

#include "tests/e2e/compound_damage.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/e2e/presentation_facts.h"
#include "tests/e2e/recovery_score.h"
#include "tests/e2e/recovery_table.h"

namespace vlx::e2e {
namespace {

using testing::ReadAll;

// The default set covers the traits that matter to the two modes: JPEG and PNG pictures,
// Chinese text, a mini-stream document, a document stream that opens with a slide, split
// document streams, many slides. VLX_E2E_FULL=1 runs the whole healthy corpus instead
// (about 20 minutes on two cores).
constexpr const char* kRepresentativeFiles[] = {
    "49648.ppt",      "54880_chinese.ppt",       "56260.ppt",
    "SampleShow.ppt", "basic_test_ppt_file.ppt", "ppt_with_png.ppt",
};

// Floors a little under the measured shares (percent): opened, slides, texts, pictures.
// A drop below one is a regression. The fast mode carves each stream as one run of
// sectors, so it gives back whole only the files whose document stream is stored in one
// piece. Where the file's own streams verify (or rebuild from their own records), the
// standard mode gives back the presentation's own slides, so its slide share counts real
// slides; where they do not, its outputs hold a page per found drawing and the share is
// capped at the original's count. A cut-off file keeps only the slides before the cut.
struct Floor {
  DamageKind kind;
  const char* mode;
  int opened, slides, texts, pictures;
};
// The representative set.
constexpr Floor kFloors[] = {
    {DamageKind::kHeaderZeroed, "fast", 45, 12, 4, 35},
    {DamageKind::kHeaderZeroed, "standard", 95, 95, 95, 35},
    {DamageKind::kFatScrambled, "fast", 45, 12, 4, 35},
    {DamageKind::kFatScrambled, "standard", 95, 95, 95, 35},
    {DamageKind::kDirectoryZeroed, "fast", 45, 12, 4, 35},
    {DamageKind::kDirectoryZeroed, "standard", 95, 95, 95, 35},
    {DamageKind::kTruncated, "fast", 15, 4, 0, 35},
    {DamageKind::kTruncated, "standard", 95, 60, 50, 35},
    {DamageKind::kSectorsOverwritten, "fast", 45, 12, 3, 8},
    {DamageKind::kSectorsOverwritten, "standard", 95, 95, 85, 8},
    {DamageKind::kEmbeddedInNoise, "fast", 45, 12, 4, 35},
    {DamageKind::kEmbeddedInNoise, "standard", 95, 95, 95, 35},
};
// The whole healthy corpus (VLX_E2E_FULL=1).
constexpr Floor kFullFloors[] = {
    {DamageKind::kHeaderZeroed, "fast", 50, 38, 45, 27},
    {DamageKind::kHeaderZeroed, "standard", 95, 95, 95, 27},
    {DamageKind::kFatScrambled, "fast", 50, 38, 45, 27},
    {DamageKind::kFatScrambled, "standard", 95, 95, 95, 27},
    {DamageKind::kDirectoryZeroed, "fast", 50, 38, 45, 27},
    {DamageKind::kDirectoryZeroed, "standard", 95, 95, 95, 27},
    {DamageKind::kTruncated, "fast", 25, 20, 0, 23},
    {DamageKind::kTruncated, "standard", 85, 75, 60, 23},
    {DamageKind::kSectorsOverwritten, "fast", 38, 15, 14, 5},
    {DamageKind::kSectorsOverwritten, "standard", 95, 95, 85, 5},
    {DamageKind::kEmbeddedInNoise, "fast", 50, 38, 45, 27},
    {DamageKind::kEmbeddedInNoise, "standard", 95, 95, 95, 27},
};

std::vector<std::string> MatrixFiles() {
  if (FullMatrixRequested()) return CorpusFiles("healthy");
  return {std::begin(kRepresentativeFiles), std::end(kRepresentativeFiles)};
}

void ExpectAboveFloor(DamageKind kind, const std::string& mode, const RecoveryScore& score) {
  for (const Floor& floor : FullMatrixRequested() ? std::span(kFullFloors) : std::span(kFloors)) {
    if (floor.kind != kind || mode != floor.mode) continue;
    EXPECT_GE(100 * score.OpenedShare(), floor.opened) << "presentations opened";
    EXPECT_GE(100 * score.SlideShare(), floor.slides) << "slides recovered";
    EXPECT_GE(100 * score.TextShare(), floor.texts) << "slide texts found";
    EXPECT_GE(100 * score.PictureShare(), floor.pictures) << "pictures byte-identical";
  }
}

class RecoveryMatrix : public ::testing::TestWithParam<DamageKind> {};

TEST_P(RecoveryMatrix, BothModesThroughTheOffice) {
  VLX_REQUIRE_E2E_TOOLS();
  const DamageKind kind = GetParam();
  SealedPlace sealed;
  std::map<std::string, PresentationFacts> originals;  // by damaged copy's path
  std::map<std::string, Bytes> damaged;
  for (const std::string& name : MatrixFiles()) {
    const std::string path = CorpusPath("healthy/" + name);
    const auto facts = ReadPresentationFacts(testing::ReadWithOlefile(path).streams);
    ASSERT_TRUE(facts.has_value()) << "the reader cannot read the intact " << name;
    const std::string copy = sealed.Input(name);
    damaged[copy] = Damage(ReadAll(path), kind, DamageSeed(name, kind));
    std::ofstream(copy, std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged[copy].data()),
               static_cast<std::streamsize>(damaged[copy].size()));
    originals[copy] = *facts;
  }
  std::vector<std::string> inputs;
  for (const auto& [copy, facts] : originals) inputs.push_back(copy);

  std::string table;
  for (const std::string mode : {"fast", "standard"}) {
    SCOPED_TRACE(mode + " mode, " + DamageName(kind));
    const ToolRun run =
        RunRecoveryTool(mode, inputs, sealed.place(), FullMatrixRequested() ? 1500 : 600);
    ASSERT_TRUE(run.status == 0 || run.status == 1) << "exit status " << run.status << "\n"
                                                    << run.messages.substr(0, 4000);
    ASSERT_TRUE(run.report_read) << run.report;
    RecoveryScore score;
    for (const std::string& input : inputs) {
      RecoveredOutput output;
      for (const ReportedRun& reported : run.runs) {
        if (reported.input != input || reported.mode != mode) continue;
        output = {reported.saved_presentation, reported.picture_files};
        EXPECT_EQ(reported.missing_thumbnails, 0) << input << ": listed without a thumbnail";
        EXPECT_TRUE(reported.critical_errors.empty())
            << input << ": critical error " << reported.critical_errors.front();
      }
      ScoreOutput(originals[input], output, TestOffice(), &score);
      EXPECT_EQ(ReadAll(input), damaged[input]) << "the damaged file was written to: " << input;
    }
    table = SaveRowAndTable(VLX_E2E_TABLE_DIR, kind, mode, score);
    ExpectAboveFloor(kind, mode, score);
  }
  std::printf("%s", table.c_str());
}

INSTANTIATE_TEST_SUITE_P(Corpus, RecoveryMatrix, ::testing::ValuesIn(kAllDamageKinds),
                         [](const auto& info) { return DamageName(info.param); });

// The reader that the shares rest on counts the slides the office counts (the office
// shows a presentation without slides with one empty slide).
TEST(IndependentReaderAgainstTheOffice, SlideCountsOfTheIntactCorpusAgree) {
  VLX_REQUIRE_E2E_TOOLS();
  for (const std::string& name : CorpusFiles("healthy")) {
    SCOPED_TRACE(name);
    const std::string path = CorpusPath("healthy/" + name);
    const auto facts = ReadPresentationFacts(testing::ReadWithOlefile(path).streams);
    ASSERT_TRUE(facts.has_value());
    const auto office = OfficeSlideCount(TestOffice(), path);
    ASSERT_TRUE(office.has_value()) << "the office does not open the intact file";
    EXPECT_EQ(std::max(facts->slide_count, 1), *office);
  }
}

}  // namespace
}  // namespace vlx::e2e
