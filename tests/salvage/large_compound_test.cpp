// Compound files whose tables the search must put together across the whole damaged
// file: a FAT of hundreds of sectors, and a FAT that lies before the place where the
// directory that tells its layout is found.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/storage/compound_storage.h"
#include "tests/salvage/built_compound.h"
#include "tests/salvage/salvage_run.h"

namespace vlx::testing {
namespace {

std::vector<unsigned char> Noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(size);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

// The damaged image: noise with the file copied in at offset, its header zeroed.
std::vector<unsigned char> Embedded(std::vector<unsigned char> file, size_t image_size,
                                    size_t offset) {
  std::fill(file.begin(), file.begin() + 512, 0);
  std::vector<unsigned char> image = Noise(image_size, 99);
  std::copy(file.begin(), file.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
  return image;
}

void ExpectEveryStreamByItsChain(const SalvageRun& run,
                                 const std::map<std::string, std::vector<unsigned char>>& truth) {
  ASSERT_TRUE(run.planned);
  for (const auto& [name, bytes] : truth) {
    const auto found = run.streams.find(name);
    ASSERT_NE(found, run.streams.end()) << name;
    EXPECT_TRUE(found->second == bytes) << name;
  }
  for (const salvage::SalvagedStream& s : run.compound.streams) {
    EXPECT_TRUE(s.Exact()) << JoinedPath(s.item.path) << ": " << s.guessed_sectors
                           << " sector(s) guessed";
    EXPECT_FALSE(s.stitched) << JoinedPath(s.item.path);
  }
}

// Noise that begins with a record header of the type given, as each stream of a
// presentation does.
std::vector<unsigned char> Stream(size_t size, unsigned seed, uint16_t first_type) {
  std::vector<unsigned char> bytes = Noise(size, seed);
  bytes[0] = 0x0F;
  bytes[1] = 0x00;
  bytes[2] = static_cast<unsigned char>(first_type);
  bytes[3] = static_cast<unsigned char>(first_type >> 8);
  return bytes;
}

// A FAT of about two hundred sectors after the streams' data: its last sectors' marks lie
// in a page that holds nothing but marks. Every page of it is still found, and every
// stream comes back through its chain.
TEST(LargeCompound, FatOfManySectorsComesBackWhole) {
  TempDir work;
  const std::map<std::string, std::vector<unsigned char>> truth = {
      {"PowerPoint Document", Stream(12 << 20, 1, 0x03E8)},
      {"Pictures", Stream(1 << 20, 2, 0xF01E)},
      {"Current User", Stream(60, 3, 0x0FF6)}};
  {
    auto storage = CompoundStorage::Create(work.File("healthy"));
    ASSERT_TRUE(storage);
    for (const auto& [name, bytes] : truth)
      ASSERT_TRUE(storage->CreateStream(name)->Write(bytes.data(), bytes.size()));
    ASSERT_TRUE(storage->Commit());
  }
  const size_t offset = (3 << 20) + 777;
  const auto healthy = ReadAll(work.File("healthy"));
  const auto image = Embedded(healthy, healthy.size() + (6 << 20), offset);
  const SalvageRun run = RunSalvage(work.Write("image", image), work);
  ExpectEveryStreamByItsChain(run, truth);
  EXPECT_EQ(run.plan.geometry.base, offset);
}

// The FAT sector lies in the chunk of the pass before the one where the root entry, and
// with it the file's layout, is found.
class FatBeforeItsDirectory : public ::testing::TestWithParam<uint32_t> {};

TEST_P(FatBeforeItsDirectory, IsFoundByTheShorterSecondLook) {
  const uint32_t sector = GetParam();
  const std::vector<BuiltStream> streams = {{u"PowerPoint Document", Stream(30000, 4, 0x03E8)},
                                            {u"Pictures", Stream(20000, 5, 0xF01E)},
                                            {u"Current User", Stream(59, 6, 0x0FF6)}};
  const auto healthy = BuiltCompound(sector).Build(streams);
  // The FAT sector begins 100 bytes before the first mebibyte ends; the directory
  // follows it.
  const size_t offset = (size_t{1} << 20) - sector - 100;
  TempDir work;
  const auto image = Embedded(healthy, (3 << 20), offset);
  const SalvageRun run = RunSalvage(work.Write("image", image), work);
  std::map<std::string, std::vector<unsigned char>> truth;
  for (const BuiltStream& s : streams) truth[JoinedPath({s.name})] = s.bytes;
  ExpectEveryStreamByItsChain(run, truth);
  EXPECT_EQ(run.plan.geometry.base, offset);
  EXPECT_FALSE(run.plan.fat.empty());
}

INSTANTIATE_TEST_SUITE_P(Salvage, FatBeforeItsDirectory, ::testing::Values(512u, 4096u),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace vlx::testing
