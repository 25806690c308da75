#include "engine/rebuild/presentation_rebuild.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "tests/rebuild/record_builder.h"
#include "tests/stages/stage_run.h"

namespace vlx {
namespace {

using testing::Filled;
using testing::Put;
using testing::ReadAll;
using testing::Record;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A damaged file with two 100-byte drawings and a ProgTags record between them.
class RebuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> bytes = Filled(4000, 0x55);
    Put(bytes, 1000, Record(0x000F, 0x040C, Filled(100, 0xA1)));
    Put(bytes, 1500, Record(0x000F, 0x1388, Filled(16, 0x7A)));
    Put(bytes, 2000, Record(0x000F, 0x040C, Filled(100, 0xA2)));
    file_ = DamagedFile::Open(run_.dir.Write("damaged.ppt", bytes));
    run_.job.file_length = file_->GetLength();
    run_.job.drawings.Append(1000, 100);
    run_.job.drawings.Append(2000, 100);
    run_.job.prog_tags.Append(1500, 16);
    run_.dir.Write("w/vlxpicfile", {});
  }

  RebuildSummary Rebuild() {
    RebuildOptions options;
    options.integrate = [this](RecoveryJob&, const std::string& path) {
      documents_.push_back(ReadAll(run_.W(kSlideDocumentFile)));
      compound_paths_.push_back(path);
      if (stop_after_first_) run_.stop = true;
    };
    return RebuildPresentation(run_.job, *file_, MasterChoice{}, options);
  }

  testing::StageRun run_;
  std::unique_ptr<DamagedFile> file_;
  std::vector<std::vector<uint8_t>> documents_;
  std::vector<std::string> compound_paths_;
  bool stop_after_first_ = false;
};

constexpr size_t kPrefix = 867 + 712 + 2476 + 40;  // both defaults and the slide head

TEST_F(RebuildTest, EachDrawingBecomesOneDocumentAroundIt) {
  const RebuildSummary summary = Rebuild();
  EXPECT_EQ(summary.drawings_handled, 2u);
  ASSERT_EQ(documents_.size(), 2u);
  EXPECT_EQ(compound_paths_[0], run_.W(kRebuiltCompoundFile));

  const auto& first = documents_[0];
  EXPECT_EQ(GetU16(first, kPrefix - 40 + 2), 0x03EE);
  EXPECT_EQ(GetU32(first, kPrefix - 36), 140u);  // no tags at or before its end
  EXPECT_EQ(GetU16(first, kPrefix + 2), 0x040C);
  const size_t directory = kPrefix + 108;
  EXPECT_EQ(GetU16(first, directory + 2), 0x1772);
  EXPECT_EQ(GetU32(first, directory + 16), 1579u);
  EXPECT_EQ(GetU32(first, directory + 20), kPrefix - 40);
  EXPECT_EQ(GetU32(first, directory + 24 + 20), directory);

  const auto& second = documents_[1];
  EXPECT_EQ(GetU32(second, kPrefix - 36), 32u + 108 + 24);  // drawing and its tags
  EXPECT_EQ(GetU16(second, kPrefix + 108 + 2), 0x1388);
  EXPECT_EQ(second.size(), kPrefix + 108 + 24 + 24 + 36);
  EXPECT_EQ(run_.templates.user_edit_offset, kPrefix + 108 + 24 + 24);
  EXPECT_EQ(GetU32(run_.templates.current_user_image, kCurrentUserEditOffsetField), kPrefix + 156);

  EXPECT_FALSE(Exists(run_.workspace.path()));
  EXPECT_EQ(run_.sink.last_progress, 100);
}

TEST_F(RebuildTest, StopBetweenDrawingsKeepsWhatWasIntegratedAndDeletesTheWorkspace) {
  stop_after_first_ = true;
  const RebuildSummary summary = Rebuild();
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.drawings_handled, 1u);
  EXPECT_EQ(documents_.size(), 1u);
  EXPECT_FALSE(Exists(run_.workspace.path()));
}

TEST_F(RebuildTest, WithoutPicturesTheDocumentsAreWrittenButNothingIsIntegrated) {
  std::remove(run_.W(kPicturesFile).c_str());
  Rebuild();
  EXPECT_TRUE(documents_.empty());
  const auto marks = run_.Checkpoints();
  EXPECT_EQ(std::count(marks.begin(), marks.end(), 131), 2);
  EXPECT_EQ(std::count(marks.begin(), marks.end(), 132), 0);
  EXPECT_FALSE(Exists(run_.workspace.path()));
}

TEST_F(RebuildTest, NoDrawingWritesThePrefixOnlyAndDeletesTheWorkspace) {
  run_.job.drawings = FoundRecordList{};
  Rebuild();
  EXPECT_TRUE(documents_.empty());
  EXPECT_TRUE(run_.Messages().empty());
  EXPECT_FALSE(Exists(run_.workspace.path()));
}

TEST_F(RebuildTest, UnwritablePrefixEndsTheRebuildWithError012) {
  run_.workspace.Delete();
  Rebuild();
  EXPECT_TRUE(documents_.empty());
  ASSERT_EQ(run_.Messages().size(), 1u);
  EXPECT_EQ(run_.Messages()[0], "Critical Error 012 has occured. Please restart the application.");
}

TEST(SlideDocumentPaddingTest, ShortStreamsGrowBy512ByteBlocksToAtLeast4096) {
  std::vector<uint8_t> stream(3000, 1);
  PadSlideDocument(stream);
  EXPECT_EQ(stream.size(), 4536u);
  EXPECT_EQ(stream[3000], 0xFE);
  std::vector<uint8_t> full(4096, 1);
  PadSlideDocument(full);
  EXPECT_EQ(full.size(), 4096u);
}

TEST(SlideDocumentTest, MissingInputsAreCriticalErrors030To032) {
  testing::StageRun run;
  const IntegrateDocument never = [](RecoveryJob&, const std::string&) { FAIL(); };
  BuildSlideDocument(run.job, run.dir.File("nothing"), never);  // no big0012241
  run.dir.Write("w/big0012241", std::vector<uint8_t>(100, 0));
  BuildSlideDocument(run.job, run.dir.File("nothing"), never);  // no drawing file
  run.workspace.Delete();
  BuildSlideDocument(run.job, run.dir.File("nothing"), never);  // no workspace
  EXPECT_EQ(run.Messages(),
            (std::vector<std::string>{
                "Critical Error 031 has occured. Please restart the application.",
                "Critical Error 032 has occured. Please restart the application.",
                "Critical Error 030 has occured. Please restart the application."}));
}

}  // namespace
}  // namespace vlx
