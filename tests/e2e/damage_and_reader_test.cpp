#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/e2e/compound_damage.h"
#include "tests/e2e/presentation_facts.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"

namespace vlx::e2e {
namespace {

using testing::ReadAll;
using testing::ReadWithOlefile;

constexpr const char* kSample = "healthy/SampleShow.ppt";

Bytes Original(const std::string& name = kSample) {
  return ReadAll(CorpusPath(name));
}

size_t DifferingBlocks(const Bytes& a, const Bytes& b) {
  size_t count = 0;
  for (size_t at = 0; at < a.size(); at += 512) {
    const size_t n = std::min<size_t>(512, a.size() - at);
    if (std::memcmp(a.data() + at, b.data() + at, n) != 0) ++count;
  }
  return count;
}

bool SameOutside(const Bytes& a, const Bytes& b, const CompoundLayout& layout,
                 const std::vector<uint32_t>& sectors) {
  Bytes x = a, y = b;
  for (uint32_t s : sectors) {
    const uint64_t at = layout.SectorOffset(s);
    for (uint64_t i = at; i < at + layout.sector_size && i < x.size(); ++i) x[i] = y[i] = 0;
  }
  return x == y;
}

class DamageKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    VLX_REQUIRE_CORPUS();
    original_ = Original();
    ASSERT_TRUE(ReadCompoundLayout(original_, &layout_));
  }
  Bytes Damaged(DamageKind kind) const {
    return Damage(original_, kind, DamageSeed("SampleShow.ppt", kind));
  }
  Bytes original_;
  CompoundLayout layout_;
};

TEST_F(DamageKinds, LayoutOfAnIntactFileIsFound) {
  EXPECT_EQ(layout_.sector_size, 512u);
  EXPECT_FALSE(layout_.fat_sectors.empty());
  ASSERT_FALSE(layout_.directory_sectors.empty());
  // The first directory entry is the root entry, "Root Entry" in UTF-16.
  const uint64_t at = layout_.SectorOffset(layout_.directory_sectors[0]);
  EXPECT_EQ(original_[at], 'R');
  EXPECT_EQ(original_[at + 2], 'o');
}

TEST_F(DamageKinds, EachKindBreaksWhatItNamesAndNothingElse) {
  const Bytes header = Damaged(DamageKind::kHeaderZeroed);
  ASSERT_EQ(header.size(), original_.size());
  EXPECT_TRUE(std::all_of(header.begin(), header.begin() + 512, [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::equal(header.begin() + 512, header.end(), original_.begin() + 512));

  const Bytes fat = Damaged(DamageKind::kFatScrambled);
  ASSERT_EQ(fat.size(), original_.size());
  EXPECT_NE(fat, original_);
  EXPECT_TRUE(SameOutside(fat, original_, layout_, layout_.fat_sectors));

  const Bytes directory = Damaged(DamageKind::kDirectoryZeroed);
  EXPECT_TRUE(SameOutside(directory, original_, layout_, layout_.directory_sectors));
  for (uint32_t s : layout_.directory_sectors) {
    const auto begin = directory.begin() + static_cast<std::ptrdiff_t>(layout_.SectorOffset(s));
    EXPECT_TRUE(std::all_of(begin, begin + 512, [](auto b) { return b == 0; }));
  }

  const Bytes truncated = Damaged(DamageKind::kTruncated);
  EXPECT_EQ(truncated.size(), original_.size() * 4 / 5);
  EXPECT_TRUE(std::equal(truncated.begin(), truncated.end(), original_.begin()));
}

TEST_F(DamageKinds, OverwritingHitsThreePercentOfTheSectors) {
  const Bytes damaged = Damaged(DamageKind::kSectorsOverwritten);
  ASSERT_EQ(damaged.size(), original_.size());
  const size_t blocks = (original_.size() + 511) / 512;
  EXPECT_EQ(DifferingBlocks(damaged, original_), (blocks * 3 + 99) / 100);
}

TEST_F(DamageKinds, EmbeddedCopySitsWholeOnASectorBoundary) {
  const Bytes damaged = Damaged(DamageKind::kEmbeddedInNoise);
  ASSERT_GT(damaged.size(), original_.size());
  const auto at = std::search(damaged.begin(), damaged.end(), original_.begin(), original_.end());
  ASSERT_NE(at, damaged.end());
  const auto offset = at - damaged.begin();
  EXPECT_GT(offset, 0);
  EXPECT_EQ(offset % 512, 0);
  EXPECT_LT(static_cast<size_t>(offset) + original_.size(), damaged.size());
}

TEST_F(DamageKinds, SameSeedSameDamageOtherFileOtherSeed) {
  for (DamageKind kind : kAllDamageKinds) {
    SCOPED_TRACE(DamageName(kind));
    EXPECT_EQ(Damaged(kind), Damaged(kind));
    EXPECT_NE(DamageSeed("SampleShow.ppt", kind), DamageSeed("empty.ppt", kind));
  }
  EXPECT_NE(DamageSeed("a.ppt", DamageKind::kHeaderZeroed),
            DamageSeed("a.ppt", DamageKind::kFatScrambled));
}

TEST_F(DamageKinds, AContainerReaderCanNoLongerReadTheDocument) {
  if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  const auto document = ReadWithOlefile(CorpusPath(kSample)).streams.at("PowerPoint Document");
  for (DamageKind kind : {DamageKind::kHeaderZeroed, DamageKind::kFatScrambled,
                          DamageKind::kDirectoryZeroed, DamageKind::kEmbeddedInNoise}) {
    SCOPED_TRACE(DamageName(kind));
    testing::TempDir dir;
    const auto result = ReadWithOlefile(dir.Write("damaged.ppt", Damaged(kind)));
    const auto stream = result.streams.find("PowerPoint Document");
    EXPECT_TRUE(!result.ok || stream == result.streams.end() || stream->second != document);
  }
}

TEST(DamageOfNonCompoundFiles, KindsThatNeedTheLayoutLeaveTheBytesAlone) {
  const Bytes noise(4096, 0x5A);
  CompoundLayout layout;
  EXPECT_FALSE(ReadCompoundLayout(noise, &layout));
  EXPECT_EQ(Damage(noise, DamageKind::kFatScrambled, 1), noise);
  EXPECT_EQ(Damage(noise, DamageKind::kDirectoryZeroed, 1), noise);
  EXPECT_EQ(Damage(Bytes(100, 1), DamageKind::kHeaderZeroed, 1), Bytes(100, 0));
}

// The reader's own pieces, on hand-made records.
TEST(IndependentReader, ParagraphsAreSplitAndWhiteSpaceCollapsed) {
  EXPECT_EQ(NormalisedParagraphs("  Title \rFirst\vsecond  line\r\r\t"),
            (std::vector<std::string>{"Title", "First", "second line"}));
  EXPECT_TRUE(NormalisedParagraphs(" \r \n").empty());
}

TEST(IndependentReader, TextAtomsOfBothKindsAreReadAnywhere) {
  // A container (version 0xF) holding a TextCharsAtom "Hi\r\x4E2D" and a TextBytesAtom "caf\xE9".
  Bytes doc = {0x0F, 0x00, 0xE8, 0x03, 28,   0,    0, 0,  // container
               0x00, 0x00, 0xA0, 0x0F, 8,    0,    0, 0, 'H', 0, 'i', 0,   '\r', 0,
               0x2D, 0x4E, 0x00, 0x00, 0xA8, 0x0F, 4, 0, 0,   0, 'c', 'a', 'f',  0xE9};
  EXPECT_EQ(AllDocumentText(doc), "Hi\n\xE4\xB8\xAD\ncaf\xC3\xA9\n");
  doc[28] = 5;  // the bytes atom now overruns its container: it is not read
  EXPECT_EQ(AllDocumentText(doc), "Hi\n\xE4\xB8\xAD\n");
}

TEST(IndependentReader, BlipDataSkipsIdentifiersTagAndMetafileHeader) {
  Bytes png = {0x00, 0x6E, 0x1E, 0xF0, 20, 0, 0, 0};  // instance 0x6E0: one identifier
  png.resize(8 + 16, 0xAA);
  png.push_back(0xFF);  // tag
  for (unsigned char c : {1, 2, 3}) png.push_back(c);
  EXPECT_EQ(BlipData(png, 0), (Bytes{1, 2, 3}));
  png[0] = 0x10;  // instance 0x6E1: a second identifier, longer than this body allows
  EXPECT_TRUE(BlipData(png, 0).empty());

  Bytes emf = {0x40, 0x3D, 0x1A, 0xF0, 16 + 34 + 2, 0, 0, 0};
  emf.resize(8 + 16 + 34, 0);
  emf.push_back(7);
  emf.push_back(8);
  EXPECT_EQ(BlipData(emf, 0), (Bytes{7, 8}));
  EXPECT_TRUE(BlipData(Bytes{0x0F, 0, 0xE8, 0x03, 0, 0, 0, 0}, 0).empty());  // not a blip
}

TEST(IndependentReader, CorpusPresentationsHaveSlidesTextsAndPictures) {
  VLX_REQUIRE_CORPUS();
  if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  const auto sample = ReadPresentationFacts(ReadWithOlefile(CorpusPath(kSample)).streams);
  ASSERT_TRUE(sample.has_value());
  EXPECT_GT(sample->slide_count, 0);
  EXPECT_FALSE(sample->slide_texts.empty());
  const auto png =
      ReadPresentationFacts(ReadWithOlefile(CorpusPath("healthy/ppt_with_png.ppt")).streams);
  ASSERT_TRUE(png.has_value());
  ASSERT_FALSE(png->pictures.empty());
  const Bytes signature = {0x89, 'P', 'N', 'G'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png->pictures[0].begin()));
  // Chinese slide text comes out as UTF-8.
  const auto chinese =
      ReadPresentationFacts(ReadWithOlefile(CorpusPath("healthy/54880_chinese.ppt")).streams);
  ASSERT_TRUE(chinese.has_value());
  EXPECT_TRUE(std::any_of(
      chinese->slide_texts.begin(), chinese->slide_texts.end(), [](const std::string& t) {
        return std::any_of(t.begin(), t.end(),
                           [](char c) { return static_cast<unsigned char>(c) >= 0xE4; });
      }));
}

}  // namespace
}  // namespace vlx::e2e
