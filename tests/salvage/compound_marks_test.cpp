#include "engine/salvage/compound_marks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/salvage/mark_word_blocks.h"
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

// The byte-wise look of a chunk, at each place: either side of the edges of the blocks the
// bytes are looked at in, and at the last places the chunk holds (a mark that begins past
// it belongs to the next chunk, one too near the view's end to be whole is no mark).
TEST(CompoundMarks, FoundAtEachPlaceOfAChunkWhateverTheBlockEdges) {
  std::mt19937 random(11);
  constexpr size_t kScan = 1000;  // no multiple of the block size
  std::vector<unsigned char> clean(kScan + 200);
  for (auto& b : clean) b = static_cast<unsigned char>(random());
  for (size_t at = 0; at < clean.size(); ++at)
    if (clean[at] == 0xD0 || clean[at] == 'R') clean[at] = 1;
  for (int kind = 0; kind < 2; ++kind) {
    for (size_t at = 0; at < clean.size(); ++at) {
      std::vector<unsigned char> bytes = clean;
      if (kind == 0 && at + 8 <= bytes.size()) std::memcpy(&bytes[at], kSignature, 8);
      if (kind == 1 && at + 0x43 <= bytes.size()) PutRootEntry(bytes, at);
      salvage::CompoundMarks found;
      salvage::FindCompoundMarksIn(bytes.data(), 5000, kScan, bytes.size(), found);
      salvage::CompoundMarks expected = LookedForOneByOne(bytes);
      std::erase_if(expected.signatures, [](uint64_t o) { return o >= kScan; });
      std::erase_if(expected.root_entries, [](uint64_t o) { return o >= kScan; });
      for (uint64_t& o : expected.signatures) o += 5000;
      for (uint64_t& o : expected.root_entries) o += 5000;
      ASSERT_EQ(found.signatures, expected.signatures) << "signature at " << at;
      ASSERT_EQ(found.root_entries, expected.root_entries) << "root entry at " << at;
      const size_t planted = kind == 0 ? found.signatures.size() : found.root_entries.size();
      const bool whole = kind == 0 || at + salvage::kMarkReach <= bytes.size();
      ASSERT_EQ(planted, at < kScan && whole ? 1u : 0u) << at;
    }
  }
}

// Every way of looking at the blocks stops at the same ones: at each of the words marks
// begin with, at each even place of a block, and nowhere in bytes without them (odd
// places included, where the words straddle two even ones).
TEST(CompoundMarks, EveryBlockLookStopsWhereTheWordWiseOneDoes) {
  using salvage::MarkWordLook;
  constexpr size_t kBlocks = 40;
  std::mt19937 random(3);
  std::vector<unsigned char> clean(kBlocks * salvage::kMarkWordBlock);
  for (auto& b : clean) b = static_cast<unsigned char>(random() % 0x40 + 0x80);  // none of them
  const uint16_t words[] = {0xCFD0, 0x11CF, 0x0052, 0x6F00};
  for (MarkWordLook look :
       {MarkWordLook::kByWord, MarkWordLook::kBy16Bytes, MarkWordLook::kBy32Bytes}) {
    if (!salvage::MarkWordLookAvailable(look)) continue;
    EXPECT_EQ(salvage::NextMarkWordBlockBy(look, clean.data(), 0, kBlocks), kBlocks);
    for (uint16_t word : words) {
      for (size_t at = 0; at + 2 <= clean.size(); ++at) {
        std::vector<unsigned char> bytes = clean;
        bytes[at] = static_cast<unsigned char>(word);
        bytes[at + 1] = static_cast<unsigned char>(word >> 8);
        const size_t block = at / salvage::kMarkWordBlock;
        const size_t expected = at % 2 == 0 ? block : kBlocks;
        ASSERT_EQ(salvage::NextMarkWordBlockBy(look, bytes.data(), 0, kBlocks), expected)
            << static_cast<int>(look) << " word " << word << " at " << at;
        // Looked for from past it, or up to before it, the block is not found.
        ASSERT_EQ(salvage::NextMarkWordBlockBy(look, bytes.data(), block + 1, kBlocks), kBlocks);
        ASSERT_EQ(salvage::NextMarkWordBlockBy(look, bytes.data(), 0, block), block);
      }
    }
  }
}

}  // namespace
}  // namespace vlx::testing
