#include "engine/salvage/compound_marks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

void PutRootEntry(std::vector<unsigned char>& bytes, size_t at) {
  const char16_t name[] = u"Root Entry";
  for (size_t i = 0; i < 11; ++i) {
    bytes[at + 2 * i] = static_cast<unsigned char>(name[i]);
    bytes[at + 2 * i + 1] = 0;
  }
  bytes[at + 0x40] = 22;
  bytes[at + 0x41] = 0;
  bytes[at + 0x42] = 5;
}

// The marks a byte-by-byte look finds.
salvage::CompoundMarks LookedForOneByOne(const std::vector<unsigned char>& bytes) {
  salvage::CompoundMarks marks;
  static const unsigned char kRoot[22] = {'R', 0,   'o', 0,   'o', 0,   't', 0,   ' ', 0, 'E',
                                          0,   'n', 0,   't', 0,   'r', 0,   'y', 0,   0, 0};
  for (size_t at = 0; at < bytes.size(); ++at) {
    if (bytes.size() - at >= 8 && std::memcmp(&bytes[at], kSignature, 8) == 0)
      marks.signatures.push_back(at);
    if (bytes.size() - at >= 128 && std::memcmp(&bytes[at], kRoot, 22) == 0 &&
        bytes[at + 0x40] == 22 && bytes[at + 0x41] == 0 && bytes[at + 0x42] == 5)
      marks.root_entries.push_back(at);
  }
  return marks;
}

// Signatures and root entries at every kind of place: the file's first bytes, either
// side of the steps the look takes, across the edges of the pieces the file is read
// in, and at its very end (a root entry too near the end to be whole is no mark).
TEST(CompoundMarks, FoundAtEveryByteAsALookAtEachByteFindsThem) {
  std::mt19937 random(5);
  std::vector<unsigned char> bytes((3 << 20) + 45);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  const size_t mib = size_t{1} << 20;
  for (size_t at :
       {size_t{0}, size_t{16}, size_t{33}, size_t{63}, mib - 3, 2 * mib + 301, bytes.size() - 8})
    std::memcpy(&bytes[at], kSignature, 8);
  for (size_t at :
       {size_t{100}, size_t{1000 + 17}, 2 * mib - 11, bytes.size() - 300, bytes.size() - 100})
    PutRootEntry(bytes, at);
  // Pairs that begin a pattern and go on otherwise.
  for (size_t at = 5000; at < 5400; at += 37) {
    bytes[at] = 0xD0;
    bytes[at + 1] = 0xCF;
    bytes[at + 50] = 'R';
    bytes[at + 51] = 0;
  }
  TempDir dir;
  auto file = DamagedFile::Open(dir.Write("bytes", bytes));
  ASSERT_TRUE(file);
  const salvage::CompoundMarks found = salvage::FindCompoundMarks(*file);
  const salvage::CompoundMarks expected = LookedForOneByOne(bytes);
  EXPECT_EQ(found.signatures, expected.signatures);
  EXPECT_EQ(found.root_entries, expected.root_entries);
  EXPECT_EQ(expected.signatures.size(), 7u);
  EXPECT_EQ(expected.root_entries.size(), 4u);
}

}  // namespace
}  // namespace vlx::testing
