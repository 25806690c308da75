#include "engine/rebuild/trial_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/rebuild/persist_directory.h"
#include "tests/rebuild/record_builder.h"
#include "tests/stages/stage_run.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::Record;

std::span<const uint8_t> DefaultStore() {
  return PristineTemplates().default_blip_store;
}
std::span<const uint8_t> DefaultMaster() {
  return PristineTemplates().default_main_master;
}

TEST(TrialStreamTest, DefaultBlocksGiveTheKnownLayout) {
  TemplateRecords templates = PristineTemplates();
  const std::vector<uint8_t> stream =
      ComposeTrialStream(templates, DefaultStore(), DefaultMaster());
  ASSERT_EQ(stream.size(), 4671u);
  EXPECT_EQ(GetU32(stream, 4), 1571u);   // Document
  EXPECT_EQ(GetU32(stream, 344), 840u);  // DrawingGroup
  EXPECT_EQ(GetU32(stream, 352), 832u);  // OfficeArt container
  EXPECT_EQ(templates.master_stream_offset, 1579u);
  EXPECT_EQ(GetU16(stream, 1579 + 2), 0x03F8);  // the master follows the Document
  EXPECT_EQ(GetU16(stream, 4055 + 2), 0x03EE);  // the trial slide
  EXPECT_EQ(GetU16(stream, 4611 + 2), 0x1772);  // its persist directory
  EXPECT_EQ(GetU32(stream, 4611 + 16), 1579u);
  EXPECT_EQ(GetU32(stream, 4611 + 20), 4055u);
  EXPECT_EQ(templates.user_edit_offset, 4635u);
  EXPECT_EQ(GetU32(stream, 4635 + 20), 4611u);  // offsetPersistDirectory
}

TEST(TrialStreamTest, FoundRecordsMoveTheMasterAndTheLengths) {
  const std::vector<uint8_t> store =
      Record(0x000F, 0xF001, std::vector<uint8_t>(92, 0));  // a = 100
  const std::vector<uint8_t> master =
      Record(0x000F, 0x03F8, std::vector<uint8_t>(492, 0));  // m = 500
  TemplateRecords templates = PristineTemplates();
  const std::vector<uint8_t> stream = ComposeTrialStream(templates, store, master);
  EXPECT_EQ(GetU32(stream, 4), 959u);
  EXPECT_EQ(GetU32(stream, 344), 228u);
  EXPECT_EQ(GetU32(stream, 352), 220u);
  EXPECT_EQ(templates.master_stream_offset, 967u);
  EXPECT_EQ(GetU16(stream, 396 + 2), 0xF001);  // the store right after the FDGG
  EXPECT_EQ(GetU16(stream, 967 + 2), 0x03F8);
  EXPECT_EQ(GetU16(stream, 967 + 500 + 2), 0x03EE);
  EXPECT_EQ(stream.size(), 967u + 500 + 556 + 24 + 36);
}

TEST(BuildTrialTest, WritesTheStreamAndPacksItWithTheCurrentEditOffset) {
  testing::StageRun run;
  run.dir.Write("w/vlxpicfile", {});
  BuildTrial(run.job, DefaultStore(), DefaultMaster());
  EXPECT_EQ(ReadAll(run.W(kTrialStreamFile)).size(), 4671u);
  const auto compound = ReadAll(run.W(kRebuiltCompoundFile));
  ASSERT_GE(compound.size(), 512u);
  EXPECT_EQ(compound[0], 0xD0);
  EXPECT_EQ(GetU32(run.templates.current_user_image, kCurrentUserEditOffsetField), 4635u);
  EXPECT_TRUE(run.Messages().empty());
  if (const char* keep = std::getenv("VLX_KEEP_REBUILT")) {
    std::filesystem::create_directories(keep);
    std::filesystem::copy_file(run.W(kRebuiltCompoundFile),
                               std::string(keep) + "/default-default-trial.ppt",
                               std::filesystem::copy_options::overwrite_existing);
  }
  const std::vector<int> marks = run.Checkpoints();
  ASSERT_FALSE(marks.empty());
  EXPECT_EQ(marks.front(), 28);
  EXPECT_EQ(marks.back(), 46);
}

TEST(BuildTrialTest, UnwritableStreamIsCriticalError018) {
  testing::StageRun run;
  run.workspace.Delete();
  BuildTrial(run.job, DefaultStore(), DefaultMaster());
  ASSERT_EQ(run.Messages().size(), 1u);
  EXPECT_EQ(run.Messages()[0], "Critical Error 018 has occured. Please restart the application.");
}

}  // namespace
}  // namespace vlx
