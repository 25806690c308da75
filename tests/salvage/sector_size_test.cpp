// Compound files made in the test with both sector sizes, streams whose chains jump
// between interleaved sectors and small streams in the mini stream: after the header
// is lost (and the file is moved inside other bytes) every stream comes back as an
// independent reader reads it from the intact file.

#include <gtest/gtest.h>

#include <random>

#include "tests/salvage/built_compound.h"
#include "tests/salvage/salvage_run.h"
#include "tests/storage/compound_readers.h"

namespace vlx::testing {
namespace {

std::vector<unsigned char> Pattern(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(size);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

std::vector<BuiltStream> SampleStreams() {
  return {{u"PowerPoint Document", Pattern(30000, 1)},
          {u"Pictures", Pattern(20000, 2)},
          {u"Current User", Pattern(59, 3)},
          {u"\x05SummaryInformation", Pattern(700, 4)},
          {u"Empty", {}}};
}

class SectorSizes : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    if (!OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  }

  void ExpectSalvaged(const std::vector<unsigned char>& healthy,
                      const std::vector<unsigned char>& damaged, uint64_t expected_base) {
    TempDir work;
    const ReaderResult truth = ReadWithOlefile(work.Write("healthy.ppt", healthy));
    ASSERT_TRUE(truth.ok) << truth.complaint;
    const SalvageRun run = RunSalvage(work.Write("damaged.bin", damaged), work);
    ASSERT_TRUE(run.planned);
    EXPECT_EQ(run.plan.geometry.sector_size, GetParam());
    EXPECT_EQ(run.plan.geometry.base, expected_base);
    EXPECT_EQ(run.streams.size(), truth.streams.size());
    for (const auto& [path, bytes] : truth.streams) {
      const auto found = run.streams.find(path);
      ASSERT_NE(found, run.streams.end()) << path;
      EXPECT_TRUE(found->second == bytes) << path;
    }
    for (const salvage::SalvagedStream& s : run.compound.streams) EXPECT_TRUE(s.Exact());
  }
};

TEST_P(SectorSizes, HeaderZeroedWithJumpingChains) {
  const auto healthy = BuiltCompound(GetParam()).Build(SampleStreams());
  auto damaged = healthy;
  std::fill(damaged.begin(), damaged.begin() + 512, 0);
  ExpectSalvaged(healthy, damaged, 0);
}

TEST_P(SectorSizes, InsideOtherBytesAtAnOddOffset) {
  const auto healthy = BuiltCompound(GetParam()).Build(SampleStreams());
  const size_t offset = 12345;
  auto image = Pattern(offset + healthy.size() + 9000, 9);
  std::copy(healthy.begin(), healthy.end(), image.begin() + offset);
  std::fill(image.begin() + offset, image.begin() + offset + 512, 0);
  ExpectSalvaged(healthy, image, offset);
}

// With the header intact the salvage uses it, and gets the same answer.
TEST_P(SectorSizes, IntactFile) {
  const auto healthy = BuiltCompound(GetParam()).Build(SampleStreams());
  ExpectSalvaged(healthy, healthy, 0);
  TempDir work;
  EXPECT_TRUE(RunSalvage(work.Write("h.ppt", healthy), work).plan.header_found);
}

INSTANTIATE_TEST_SUITE_P(Salvage, SectorSizes, ::testing::Values(512u, 4096u),
                         [](const auto& info) { return "Sectors" + std::to_string(info.param); });

TEST(SalvageInput, BytesWithoutACompoundFileGiveNoPlan) {
  TempDir work;
  EXPECT_FALSE(RunSalvage(work.Write("noise.bin", Pattern(100000, 5)), work).planned);
  EXPECT_FALSE(RunSalvage(work.Write("empty.bin", {}), work).planned);
  EXPECT_FALSE(
      RunSalvage(work.Write("zeros.bin", std::vector<unsigned char>(70000)), work).planned);
}

// A directory entry that claims gigabytes for a stream of a small file: the stream is
// spooled only as far as the file can account for, the rest counted as missing, and
// the other streams are read as they were.
TEST(SalvageInput, ClaimedSizeFarBeyondTheFileIsNotSpooledAsZeros) {
  const std::vector<unsigned char> document = Pattern(9000, 1);
  std::vector<unsigned char> file =
      BuiltCompound(512).Build({{u"PowerPoint Document", document}, {u"Other", Pattern(5000, 2)}});
  const size_t other_size = 512 + 512 * 1 + 128 * 2 + 0x78;  // header, then the directory
  ASSERT_EQ(file[other_size] | file[other_size + 1] << 8, 5000);
  for (int i = 0; i < 4; ++i) file[other_size + i] = i == 0 ? 0x00 : 0xFF;  // 0xFFFFFF00 bytes
  TempDir work;
  const SalvageRun run = RunSalvage(work.Write("claims.ppt", file), work);
  ASSERT_TRUE(run.planned);
  EXPECT_EQ(run.streams.at("PowerPoint Document"), document);
  ASSERT_EQ(run.streams.count("Other"), 1u);
  EXPECT_LE(run.streams.at("Other").size(), 2 * file.size());
  for (const salvage::SalvagedStream& s : run.compound.streams) {
    if (s.item.path.front() != u"Other") continue;
    EXPECT_EQ(s.item.size, 0xFFFFFF00u);
    EXPECT_GE(s.missing_bytes, s.item.size - run.streams.at("Other").size());
    EXPECT_FALSE(s.Exact());
  }
}

}  // namespace
}  // namespace vlx::testing
