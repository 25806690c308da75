// Compound files whose allocation table is gone: the directory's sectors that do not
// follow its first one, and the small streams, come back by their content.

#include <gtest/gtest.h>

#include <random>

#include "tests/salvage/built_compound.h"
#include "tests/salvage/salvage_run.h"

namespace vlx::testing {
namespace {

constexpr size_t kSector = 512;

std::vector<unsigned char> Pattern(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(size);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

// Six entries: the root and three streams in directory sector 1, two more streams in
// directory sector 2.
std::vector<BuiltStream> Streams() {
  return {{u"Big", Pattern(5000, 1)},
          {u"Other big", Pattern(6000, 2)},
          {u"Current User", Pattern(59, 3)},
          {u"\x05SummaryInformation", Pattern(700, 4)},
          {u"\x05DocumentSummaryInformation", Pattern(300, 5)}};
}

unsigned char* SectorOf(std::vector<unsigned char>& file, size_t n) {
  return file.data() + (n + 1) * kSector;
}

// The FAT (sector 0) zeroed, and the directory's second sector moved to the end of the
// file, its old place overwritten: the directory's chain is lost with the table.
std::vector<unsigned char> MovedDirectorySector(std::vector<unsigned char> file) {
  std::fill_n(SectorOf(file, 0), kSector, 0);
  const std::vector<unsigned char> second(SectorOf(file, 2), SectorOf(file, 2) + kSector);
  file.insert(file.end(), second.begin(), second.end());
  std::fill_n(SectorOf(file, 2), kSector, 0x41);
  return file;
}

TEST(LostTables, ADirectorySectorThatDoesNotFollowTheFirstIsFoundByItsContent) {
  TempDir work;
  const std::vector<unsigned char> healthy = BuiltCompound(kSector).Build(Streams());
  const SalvageRun run = RunSalvage(work.Write("moved.bin", MovedDirectorySector(healthy)), work);
  ASSERT_TRUE(run.planned);
  for (const BuiltStream& stream : Streams()) {
    const auto found = run.streams.find(JoinedPath({stream.name}));
    ASSERT_NE(found, run.streams.end()) << JoinedPath({stream.name});
    if (stream.bytes.size() < 4096) {
      EXPECT_TRUE(found->second == stream.bytes) << JoinedPath({stream.name});
    }
  }
}

// An older copy of the directory's first sector (the same names) elsewhere in the file
// is not taken for its second sector.
TEST(LostTables, AnOlderCopyOfTheFirstDirectorySectorIsNotTakenForTheSecond) {
  TempDir work;
  const std::vector<unsigned char> healthy = BuiltCompound(kSector).Build(Streams());
  std::vector<unsigned char> damaged = MovedDirectorySector(healthy);
  const std::vector<unsigned char> first(SectorOf(damaged, 1), SectorOf(damaged, 1) + kSector);
  damaged.insert(damaged.end() - kSector, first.begin(), first.end());
  const SalvageRun run = RunSalvage(work.Write("copy.bin", damaged), work);
  ASSERT_TRUE(run.planned);
  const auto found = run.streams.find(JoinedPath({u"\x05SummaryInformation"}));
  ASSERT_NE(found, run.streams.end());
  EXPECT_TRUE(found->second == Streams()[3].bytes);
}

}  // namespace
}  // namespace vlx::testing
