// Damaged copies of the corpus presentations: the salvage gives back the original's
// streams byte for byte, compared with what an independent reader (olefile) reads from
// the healthy file.

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/compound_damage.h"
#include "tests/salvage/salvage_run.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"

namespace vlx::testing {
namespace {

// The file with its header zeroed, at an offset that is no multiple of 512 inside
// random bytes, as a carver meets it on a disk image.
e2e::Bytes InDiskImage(const e2e::Bytes& original, size_t offset) {
  std::mt19937 random(7);
  e2e::Bytes image(original.size() + offset + 70000);
  for (auto& b : image) b = static_cast<unsigned char>(random());
  std::copy(original.begin(), original.end(), image.begin() + static_cast<long>(offset));
  std::fill(image.begin() + static_cast<long>(offset),
            image.begin() + static_cast<long>(offset + 512), 0);
  return image;
}

class CorpusSalvage : public ::testing::Test {
 protected:
  void SetUp() override {
    VLX_REQUIRE_CORPUS();
    if (!OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  }

  // Every stream of the healthy file comes back with the same bytes. In bug61881.ppt
  // an older save's FAT page and directory survive whole beside the live ones and
  // agree with every chain and stream start: without the header the two cannot be
  // told apart, and its small streams may come from the older save. Its document and
  // pictures are the same in both.
  void ExpectAllStreams(const std::string& name, const e2e::Bytes& damaged) {
    const bool two_saves = name == "bug61881.ppt";
    const ReaderResult truth = ReadWithOlefile(CorpusPath("healthy/" + name));
    ASSERT_TRUE(truth.ok) << truth.complaint;
    TempDir work;
    const SalvageRun run = RunSalvage(work.Write("damaged.ppt", damaged), work);
    ASSERT_TRUE(run.planned) << name;
    for (const auto& [path, bytes] : truth.streams) {
      const auto found = run.streams.find(path);
      ASSERT_NE(found, run.streams.end()) << name << ": " << path << " missing";
      if (two_saves && path != "PowerPoint Document" && path != "Pictures") continue;
      EXPECT_TRUE(found->second == bytes) << name << ": " << path << " differs ("
                                          << found->second.size() << " vs " << bytes.size() << ")";
    }
    EXPECT_EQ(run.streams.size(), truth.streams.size()) << name;
  }
};

TEST_F(CorpusSalvage, HeaderZeroedGivesEveryStreamBack) {
  for (const std::string& name : HealthyCorpusPresentations()) {
    const e2e::Bytes original = ReadAll(CorpusPath("healthy/" + name));
    ExpectAllStreams(name, e2e::Damage(original, e2e::DamageKind::kHeaderZeroed, 1));
  }
}

TEST_F(CorpusSalvage, FileInsideADiskImageAtAnUnalignedOffset) {
  for (const std::string& name : HealthyCorpusPresentations()) {
    const e2e::Bytes original = ReadAll(CorpusPath("healthy/" + name));
    ExpectAllStreams(name, InDiskImage(original, 8192 + 333));
  }
}

// Streams of less than 4096 bytes live in the mini stream, which only the directory
// locates; the larger document and picture streams come back by their content.
TEST_F(CorpusSalvage, DirectoryZeroedGivesTheDocumentAndPicturesBack) {
  for (const std::string& name : HealthyCorpusPresentations()) {
    const e2e::Bytes original = ReadAll(CorpusPath("healthy/" + name));
    const ReaderResult truth = ReadWithOlefile(CorpusPath("healthy/" + name));
    ASSERT_TRUE(truth.ok);
    TempDir work;
    const SalvageRun run = RunSalvage(
        work.Write("d.ppt", e2e::Damage(original, e2e::DamageKind::kDirectoryZeroed, 1)), work);
    ASSERT_TRUE(run.planned) << name;
    for (const char* stream : {"PowerPoint Document", "Pictures"}) {
      const auto healthy = truth.streams.find(stream);
      if (healthy == truth.streams.end() || healthy->second.size() < 4096) continue;
      const auto found = run.streams.find(stream);
      ASSERT_NE(found, run.streams.end()) << name << ": " << stream;
      EXPECT_TRUE(found->second == healthy->second) << name << ": " << stream;
    }
  }
}

// Cut and overwritten files: no crash, and what is salvaged never claims more bytes
// than the directory said.
// 56260.ppt cut at 80 %: its FAT and directory lay in the part that is gone. The
// streams come back by their records: the pictures whole, the document up to the cut
// (the Document container it ends in included).
TEST_F(CorpusSalvage, FileCutBeforeItsTablesGivesItsStreamsBackByTheirRecords) {
  const std::string name = "56260.ppt";
  const ReaderResult truth = ReadWithOlefile(CorpusPath("healthy/" + name));
  ASSERT_TRUE(truth.ok) << truth.complaint;
  e2e::Bytes cut = ReadAll(CorpusPath("healthy/" + name));
  cut.resize(cut.size() * 8 / 10);
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("cut.ppt", cut), work);
  ASSERT_TRUE(run.planned);
  EXPECT_FALSE(run.plan.header_found && !run.plan.fat.empty());
  ASSERT_EQ(run.streams.count("Pictures"), 1u);
  EXPECT_TRUE(run.streams.at("Pictures") == truth.streams.at("Pictures"));
  ASSERT_EQ(run.streams.count("PowerPoint Document"), 1u);
  const e2e::Bytes& document = run.streams.at("PowerPoint Document");
  const e2e::Bytes& original = truth.streams.at("PowerPoint Document");
  ASSERT_GT(document.size(), 20000u) << "the run of records reaches into the Document";
  ASSERT_LT(document.size(), original.size());
  EXPECT_TRUE(std::equal(document.begin(), document.end(), original.begin()));
}

TEST_F(CorpusSalvage, TruncatedAndOverwrittenFilesAreReadSafely) {
  for (const std::string& name : HealthyCorpusPresentations()) {
    const e2e::Bytes original = ReadAll(CorpusPath("healthy/" + name));
    for (auto kind : {e2e::DamageKind::kTruncated, e2e::DamageKind::kSectorsOverwritten,
                      e2e::DamageKind::kFatScrambled}) {
      TempDir work;
      const SalvageRun run = RunSalvage(work.Write("d.ppt", e2e::Damage(original, kind, 3)), work);
      for (const salvage::SalvagedStream& s : run.compound.streams)
        EXPECT_EQ(ReadAll(s.file).size(), s.item.size) << name << " " << e2e::DamageName(kind);
    }
  }
}

}  // namespace
}  // namespace vlx::testing
