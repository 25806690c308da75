#include "engine/rebuild/apply_master_choice.h"

#include <gtest/gtest.h>

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

class ApplyMasterChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> bytes = Filled(3000, 0x33);
    Put(bytes, 100, master_);
    Put(bytes, 2000, store_);
    file_ = DamagedFile::Open(run_.dir.Write("damaged.ppt", bytes));
    run_.dir.Write("w/vlxpicfile", {});
  }

  std::vector<uint8_t> Trial(CandidateKind kind) {
    MasterChoice choice{kind, 100, master_.size(), 2000, store_.size()};
    ApplyMasterChoice(run_.job, *file_, choice);
    return ReadAll(run_.W(kTrialStreamFile));
  }

  static bool Holds(const std::vector<uint8_t>& stream, size_t at, std::span<const uint8_t> bytes) {
    return stream.size() >= at + bytes.size() &&
           std::equal(bytes.begin(), bytes.end(), stream.begin() + at);
  }

  testing::StageRun run_;
  const std::vector<uint8_t> master_ = Record(0x000F, 0x03F8, Filled(300, 0xAB));
  const std::vector<uint8_t> store_ = Record(0x000F, 0xF001, Filled(60, 0xCD));
  std::unique_ptr<DamagedFile> file_;
};

TEST_F(ApplyMasterChoiceTest, EachKindTakesItsRecordsFromTheFileOrTheDefaults) {
  const TemplateRecords& t = run_.templates;
  auto trial = Trial(CandidateKind::kFoundMasterFoundStore);
  EXPECT_TRUE(Holds(trial, 396, store_));
  EXPECT_TRUE(Holds(trial, 867 + store_.size(), master_));

  trial = Trial(CandidateKind::kFoundMasterDefaultStore);
  // The default store's entries name pictures this trial's (empty) Pictures stream does
  // not hold, so they are marked empty; the store keeps its header and length.
  EXPECT_TRUE(Holds(trial, 396, std::span(t.default_blip_store).first(16)));
  EXPECT_EQ(GetU32(trial, 396 + 8 + 8 + 20), 0u);
  EXPECT_TRUE(Holds(trial, 1579, master_));

  trial = Trial(CandidateKind::kDefaultMasterFoundStore);
  EXPECT_TRUE(Holds(trial, 396, store_));
  EXPECT_TRUE(Holds(trial, 867 + store_.size(), t.default_main_master));

  trial = Trial(CandidateKind::kDefaultMasterDefaultStore);
  EXPECT_EQ(trial.size(), 4671u);
  EXPECT_EQ(run_.Checkpoints()[0], 67);
  EXPECT_EQ(run_.Checkpoints()[1], 68);
}

TEST_F(ApplyMasterChoiceTest, StoredLengthPastTheEndIsReadAsFarAsItGoesAndZeroed) {
  MasterChoice choice{CandidateKind::kFoundMasterDefaultStore, 2900, 400, 0, 0};
  ApplyMasterChoice(run_.job, *file_, choice);
  const auto trial = ReadAll(run_.W(kTrialStreamFile));
  ASSERT_EQ(trial.size(), 1579u + 400 + 556 + 24 + 36);
  EXPECT_EQ(trial[1579 + 99], 0x33);
  EXPECT_EQ(trial[1579 + 100], 0x00);
  EXPECT_EQ(trial[1579 + 399], 0x00);
}

}  // namespace
}  // namespace vlx
