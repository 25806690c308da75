// Metafiles that are one bitmap: which ones are taken for their bitmap, and that no
// damaged or strange metafile makes the reader read past its bytes.
#include "engine/scan/pictures/lone_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <vector>

#include "engine/fast/sector_stream_source.h"
#include "engine/fast/stream_candidate.h"
#include "engine/job/damaged_file.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/scan/pictures/picture_search.h"
#include "tests/support/metafile_bytes.h"

namespace vlx::testing {
namespace {

using Bytes = MetafileBytes;

TEST(LoneBitmap, AMetafileThatOnlyStretchesOneBitmapOverItsFrameGivesThatBitmap) {
  const Bytes dib = Dib(20, 10);
  const Bytes expected = BmpOf(dib);
  // Drawn at its own size, and stretched to twice it with a frame away from the origin.
  EXPECT_EQ(LoneBitmapOfWmf(Wmf().Frame(20, 10).Stretch(dib, 20, 10, 20, 10).End().bytes),
            expected);
  EXPECT_EQ(LoneBitmapOfWmf(
                Wmf().Frame(40, 20, 100, 50).Stretch(dib, 20, 10, 40, 20, 100, 50).End().bytes),
            expected);
  // State and object records before it, and after it, change nothing.
  Wmf busy;
  busy.Record(0x001E, {}).Frame(20, 10).Record(0x02FC, {0, 0, 0, 0}).Record(0x012D, {0});
  busy.Stretch(dib, 20, 10, 20, 10).Record(0x0127, {-1}).Record(0x01F0, {0}).End();
  EXPECT_EQ(LoneBitmapOfWmf(busy.bytes), expected);
  // The other three bitmap records.
  const int16_t copy_low = static_cast<int16_t>(0x0020), copy_high = 0x00CC;
  EXPECT_EQ(
      LoneBitmapOfWmf(Wmf()
                          .Frame(20, 10)
                          .Record(0x0F43, {copy_low, copy_high, 0, 10, 20, 0, 0, 10, 20, 0, 0}, dib)
                          .End()
                          .bytes),
      expected);
  EXPECT_EQ(LoneBitmapOfWmf(Wmf()
                                .Frame(20, 10)
                                .Record(0x0940, {copy_low, copy_high, 0, 0, 10, 20, 0, 0}, dib)
                                .End()
                                .bytes),
            expected);
  EXPECT_EQ(
      LoneBitmapOfWmf(
          Wmf().Frame(20, 10).Record(0x0D33, {0, 10, 0, 0, 0, 10, 20, 0, 0}, dib).End().bytes),
      expected);
  // With a placeable header, its box is the frame.
  Wmf placeable;
  Bytes header;
  Put32(header, 0x9AC6CDD7);
  for (uint16_t v : {0, 0, 0, 20, 10, 1440}) Put16(header, v);
  Put32(header, 0);
  Put16(header, 0);
  placeable.bytes.insert(placeable.bytes.begin(), header.begin(), header.end());
  EXPECT_EQ(LoneBitmapOfMetafile(placeable.Stretch(dib, 20, 10, 20, 10).End().bytes), expected);
}

TEST(LoneBitmap, AnythingDrawnBesidesTheBitmapOrAnyOtherWayOfDrawingItIsRefused) {
  const Bytes dib = Dib(20, 10);
  auto refused = [](Wmf& wmf) { return !LoneBitmapOfWmf(wmf.End().bytes).has_value(); };
  Wmf line, second, clipped, half, cropped, mirrored, inverted, squeezed, moved, restored, palette,
      unframed, metric;
  EXPECT_TRUE(refused(line.Frame(20, 10).Stretch(dib, 20, 10, 20, 10).Record(0x0213, {5, 5})));
  EXPECT_TRUE(
      refused(second.Frame(20, 10).Stretch(dib, 20, 10, 20, 10).Stretch(dib, 20, 10, 20, 10)));
  EXPECT_TRUE(
      refused(clipped.Frame(20, 10).Record(0x0416, {5, 10, 0, 0}).Stretch(dib, 20, 10, 20, 10)));
  EXPECT_TRUE(refused(half.Frame(40, 10).Stretch(dib, 20, 10, 20, 10)));
  EXPECT_TRUE(refused(cropped.Frame(10, 10).Stretch(dib, 10, 10, 10, 10)));
  EXPECT_TRUE(refused(mirrored.Frame(20, 10).Stretch(dib, 20, 10, -20, 10, 20, 0)));
  EXPECT_TRUE(refused(inverted.Frame(20, 10).Stretch(dib, 20, 10, 20, 10, 0, 0, 0x00550009)));
  EXPECT_TRUE(refused(squeezed.Frame(10, 10).Stretch(dib, 20, 10, 10, 10)));  // not its shape
  EXPECT_TRUE(refused(moved.Frame(20, 10).Stretch(dib, 20, 10, 20, 10).Record(0x020C, {20, 40})));
  EXPECT_TRUE(refused(restored.Frame(20, 10).Record(0x0127, {-1}).Stretch(dib, 20, 10, 20, 10)));
  EXPECT_TRUE(refused(
      palette.Frame(20, 10).Record(0x0F43, {0x0020, 0x00CC, 1, 10, 20, 0, 0, 10, 20, 0, 0}, dib)));
  EXPECT_TRUE(refused(unframed.Stretch(dib, 20, 10, 20, 10)));
  EXPECT_TRUE(
      refused(metric.Record(0x0103, {3}).Record(0x020C, {10, 20}).Stretch(dib, 20, 10, 20, 10)));
  // A sliver past the bitmap's edge is still the whole picture.
  Wmf sliver;
  EXPECT_FALSE(refused(sliver.Frame(20, 10).Stretch(dib, 20, 10, 20, 10).Record(0x0626, {1, 0})));
}

TEST(LoneBitmap, AnEnhancedMetafileCarriedInCommentsIsThePictureLookedAt) {
  const Bytes plain = Dib(20, 10, 0x10);
  const Bytes carried = Dib(20, 10, 0x80);
  const Bytes lone = Emf(20, 10).Stretch(carried, 20, 10).End().bytes;
  Wmf wmf;
  CarryEmf(wmf, lone, 100);
  EXPECT_EQ(LoneBitmapOfWmf(wmf.Frame(20, 10).Stretch(plain, 20, 10, 20, 10).End().bytes),
            BmpOf(carried));
  // A carried picture that draws more, or whose pieces do not add up, is not looked past.
  Bytes busy = Emf(20, 10).Stretch(carried, 20, 10).bytes;
  Emf more(20, 10);
  more.bytes = busy;
  more.Record(54, Bytes(8, 0)).End();  // a line
  Wmf drawing_more, missing_piece;
  CarryEmf(drawing_more, more.bytes, 100);
  CarryEmf(missing_piece, lone, 100, 2);
  EXPECT_FALSE(
      LoneBitmapOfWmf(drawing_more.Frame(20, 10).Stretch(plain, 20, 10, 20, 10).End().bytes));
  EXPECT_FALSE(
      LoneBitmapOfWmf(missing_piece.Frame(20, 10).Stretch(plain, 20, 10, 20, 10).End().bytes));
}

TEST(LoneBitmap, EnhancedMetafilesOfOneBitmapAndWhatSpoilsThem) {
  const Bytes dib = Dib(20, 10);
  EXPECT_EQ(LoneBitmapOfMetafile(Emf(20, 10).Stretch(dib, 20, 10).End().bytes), BmpOf(dib));
  Bytes plus;
  Put32(plus, 16);
  Put32(plus, 0x2B464D45);
  Put32(plus, 0);
  Put32(plus, 0);
  EXPECT_FALSE(LoneBitmapOfEmf(Emf(20, 10).Record(70, plus).Stretch(dib, 20, 10).End().bytes));
  EXPECT_FALSE(LoneBitmapOfEmf(Emf(20, 10).Stretch(dib, 20, 10, 1).End().bytes));  // palette
  EXPECT_FALSE(LoneBitmapOfEmf(Emf(40, 10).Stretch(dib, 20, 10).End().bytes));     // half
  EXPECT_FALSE(LoneBitmapOfEmf(Emf(20, 10).Stretch(dib, 20, 10).bytes));           // no end
  EXPECT_FALSE(LoneBitmapOfEmf(
      Emf(20, 10).Record(35, Bytes(24, 0)).Stretch(dib, 20, 10).End().bytes));  // a transform
}

// Damaged metafiles: cut anywhere, record sizes that run off or stand still, bitmap
// headers and offsets that lie. Nothing is read past the bytes given (each is copied
// to a buffer of its own size) and nothing damaged is taken for a bitmap.
TEST(LoneBitmapDamaged, CutsAndLyingSizesAreRefusedWithoutReadingPastTheBytes) {
  const Bytes dib = Dib(7, 5);
  const Bytes wmf = Wmf().Frame(7, 5).Stretch(dib, 7, 5, 7, 5).End().bytes;
  const Bytes emf = Emf(7, 5).Stretch(dib, 7, 5).End().bytes;
  ASSERT_TRUE(LoneBitmapOfWmf(wmf));
  ASSERT_TRUE(LoneBitmapOfEmf(emf));
  for (size_t cut = 0; cut < wmf.size(); ++cut)
    EXPECT_FALSE(LoneBitmapOfMetafile(Bytes(wmf.begin(), wmf.begin() + cut))) << cut;
  for (size_t cut = 0; cut < emf.size(); ++cut)
    EXPECT_FALSE(LoneBitmapOfMetafile(Bytes(emf.begin(), emf.begin() + cut))) << cut;

  const size_t blt = 18 + 8 + 10 + 10;  // the stretch record's first byte
  auto with_word = [&](size_t at, uint32_t value, bool wide) {
    Bytes b = wmf;
    b[at] = static_cast<uint8_t>(value);
    b[at + 1] = static_cast<uint8_t>(value >> 8);
    if (wide) {
      b[at + 2] = static_cast<uint8_t>(value >> 16);
      b[at + 3] = static_cast<uint8_t>(value >> 24);
    }
    return b;
  };
  for (uint32_t size : {0u, 1u, 2u, 3u, 0x7FFFFFFFu, 0xFFFFFFFFu, 1000u})
    EXPECT_FALSE(LoneBitmapOfWmf(with_word(blt, size, true))) << size;
  for (uint32_t header : {0u, 11u, 41u, 0x10000u, 0xFFFFFFFFu})
    EXPECT_FALSE(LoneBitmapOfWmf(with_word(blt + 26, header, true))) << header;
  EXPECT_FALSE(LoneBitmapOfWmf(with_word(blt + 26 + 8, 5000, true)));  // taller than its bytes
  EXPECT_FALSE(LoneBitmapOfWmf(with_word(blt + 26 + 16, 1, true)));    // compressed

  const size_t stretch = 88;
  for (size_t field : {48, 52, 56, 60})
    for (uint32_t value : {0u, 79u, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
      Bytes b = emf;
      for (int i = 0; i < 4; ++i) b[stretch + field + i] = static_cast<uint8_t>(value >> (8 * i));
      EXPECT_FALSE(LoneBitmapOfEmf(b)) << field << " " << value;
    }
  for (uint32_t size : {0u, 4u, 6u, 0xFFFFFFFCu}) {
    Bytes b = emf;
    for (int i = 0; i < 4; ++i) b[stretch + 4 + i] = static_cast<uint8_t>(size >> (8 * i));
    EXPECT_FALSE(LoneBitmapOfEmf(b)) << size;
  }
}

TEST(LoneBitmapDamaged, GarbageAfterASoundBeginningNeverPassesForABitmap) {
  std::mt19937 random(20261209);
  const Bytes dib = Dib(7, 5);
  const Bytes wmf = Wmf().Frame(7, 5).Stretch(dib, 7, 5, 7, 5).End().bytes;
  const Bytes emf = Emf(7, 5).Stretch(dib, 7, 5).End().bytes;
  for (int round = 0; round < 2000; ++round) {
    const Bytes& base = round % 2 == 0 ? wmf : emf;
    Bytes b(base.begin(), base.begin() + random() % base.size());
    const size_t garbage = random() % 200;
    for (size_t i = 0; i < garbage; ++i) b.push_back(static_cast<uint8_t>(random()));
    const std::optional<Bytes> bmp = LoneBitmapOfMetafile(b);
    // Whatever comes back is a whole .bmp file of the bitmap's own size.
    if (bmp) {
      ASSERT_GE(bmp->size(), 14u + 40u);
      EXPECT_EQ(Get32(*bmp, 2), bmp->size());
    }
  }
}

// The pictures of a real presentation, read through the project's own salvage plan and
// picture search.
std::vector<Bytes> CorpusMetafiles(const std::string& path) {
  struct Collect : PictureSearchEvents {
    std::vector<Bytes> found;
    bool EnterStretch(uint64_t) override { return true; }
    bool KeepGoing() override { return true; }
    void Found(FoundPicture picture) override {
      if (picture.name == "WMF") found.emplace_back(picture.body().begin(), picture.body().end());
    }
  } collect;
  auto file = DamagedFile::Open(path);
  if (!file) return {};
  for (const salvage::SalvagePlan& plan : salvage::PlanSalvage(*file))
    for (const salvage::CompoundItem& item : plan.items) {
      if (item.path.size() != 1 || item.path[0] != kPicturesStreamName) continue;
      bool stitched = false;
      salvage::StreamSectors sectors = salvage::RegularStreamSectors(*file, plan, item, &stitched);
      SectorStreamSource source(*file, plan.geometry, std::move(sectors.sectors), item.size);
      SearchPictures(source, collect);
      return collect.found;
    }
  return {};
}

TEST(LoneBitmapCorpus, TheReportsMetafilePicturesAreTheirBitmaps) {
  const std::string path = VLX_CORPUS_DIR "/healthy/iisd_report.ppt";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus file missing: " << path;
  const std::vector<Bytes> metafiles = CorpusMetafiles(path);
  ASSERT_EQ(metafiles.size(), 2u);
  for (const Bytes& wmf : metafiles) {
    const std::optional<Bytes> bmp = LoneBitmapOfWmf(wmf);
    ASSERT_TRUE(bmp);
    // The carried enhanced picture's bitmap: 337 x 337, 32 bits a pixel.
    EXPECT_EQ((*bmp)[0], 'B');
    EXPECT_EQ(Get32(*bmp, 2), bmp->size());
    EXPECT_EQ(Get32(*bmp, 10), 14u + 40u);
    EXPECT_EQ(Get32(*bmp, 18), 337u);
    EXPECT_EQ(Get32(*bmp, 22), 337u);
    EXPECT_EQ(bmp->size(), 14u + 40u + 337u * 337u * 4u);
  }
}

}  // namespace
}  // namespace vlx::testing
