#include "engine/scan/pictures/jpeg_mending.h"

#include <gtest/gtest.h>

#include <random>

namespace vlx {
namespace {

void Segment(std::vector<uint8_t>& out, uint8_t marker, size_t length, uint8_t fill) {
  out.insert(out.end(),
             {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
  out.insert(out.end(), length - 2, fill);
}

// Coded bytes as an encoder writes them: every 0xFF stuffed, and with restarts a restart
// marker every `interval` bytes.
void CodedData(std::vector<uint8_t>& out, size_t size, size_t interval, uint32_t seed) {
  std::mt19937 random(seed);
  uint8_t restart = 0;
  for (size_t i = 0; i < size; ++i) {
    const auto b = static_cast<uint8_t>(random());
    out.push_back(b);
    if (b == 0xFF) out.push_back(0x00);
    if (interval != 0 && i % interval == interval - 1) {
      out.insert(out.end(), {0xFF, static_cast<uint8_t>(0xD0 + restart)});
      restart = (restart + 1) % 8;
    }
  }
}

// A JPEG laid out as cameras write them: start of image, application data, tables, frame,
// an optional restart interval, one scan (two for `progressive`, a table between them).
std::vector<uint8_t> Jpeg(size_t coded, size_t interval = 0, bool progressive = false) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  Segment(out, 0xE0, 16, 0x4A);
  Segment(out, 0xE1, 900, 0x11);
  Segment(out, 0xDB, 67, 0x08);
  Segment(out, 0xC0, 17, 0x01);
  if (interval != 0) out.insert(out.end(), {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x10});
  Segment(out, 0xC4, 31, 0x02);
  Segment(out, 0xDA, 12, 0x00);
  CodedData(out, coded, interval, 1);
  if (progressive) {
    Segment(out, 0xC4, 31, 0x03);
    Segment(out, 0xDA, 10, 0x00);
    CodedData(out, coded, interval, 2);
  }
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

size_t FirstCodedByte(const std::vector<uint8_t>& jpeg) {
  for (size_t i = 2; i + 4 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]);
  return jpeg.size();
}

// Random bytes over one damage block, with a marker no coded data may hold in it.
void Damage(std::vector<uint8_t>& jpeg, size_t phase, size_t block) {
  std::mt19937 random(9);
  const size_t from = block * kDamageBlock - phase;
  for (size_t i = from; i < from + kDamageBlock; ++i) jpeg[i] = static_cast<uint8_t>(random());
  jpeg[from + 300] = 0xFF;
  jpeg[from + 301] = 0x99;
}

TEST(JpegMending, WholePicturesAreLeftAlone) {
  for (const auto& jpeg : {Jpeg(5000), Jpeg(5000, 64), Jpeg(3000, 0, true)})
    EXPECT_FALSE(MendDamagedJpeg(jpeg, 0, jpeg.size()));
}

TEST(JpegMending, WithoutRestartsThePictureEndsWhereItsDamageBegins) {
  for (size_t phase : {size_t{0}, size_t{77}}) {
    const auto whole = Jpeg(20000);
    auto jpeg = whole;
    const size_t block = (FirstCodedByte(jpeg) + phase) / kDamageBlock + 20;
    Damage(jpeg, phase, block);
    const auto mended = MendDamagedJpeg(jpeg, phase, jpeg.size());
    ASSERT_TRUE(mended) << "phase " << phase;
    ASSERT_EQ(mended->bytes.size(), jpeg.size());
    const size_t damage = block * kDamageBlock - phase;
    // Everything kept comes before the damage and is the picture's own; then the end.
    EXPECT_LE(mended->kept, damage);
    EXPECT_GE(mended->kept + 2 * kDamageBlock, damage);
    EXPECT_TRUE(
        std::equal(mended->bytes.begin(), mended->bytes.begin() + mended->kept, whole.begin()));
    EXPECT_EQ(mended->bytes[mended->kept], 0xFF);
    EXPECT_EQ(mended->bytes[mended->kept + 1], 0xD9);
    EXPECT_NE(mended->bytes[mended->kept - 1], 0xFF);  // never half a marker before the end
    EXPECT_TRUE(std::all_of(mended->bytes.begin() + mended->kept + 2, mended->bytes.end(),
                            [](uint8_t b) { return b == 0; }));
  }
}

TEST(JpegMending, DamageInALaterScanKeepsTheScansBeforeIt) {
  const auto whole = Jpeg(6000, 0, true);
  auto jpeg = whole;
  Damage(jpeg, 0, jpeg.size() / kDamageBlock - 3);  // in the second scan
  const auto mended = MendDamagedJpeg(jpeg, 0, jpeg.size());
  ASSERT_TRUE(mended);
  EXPECT_GT(mended->kept, whole.size() / 2);
  EXPECT_TRUE(
      std::equal(mended->bytes.begin(), mended->bytes.begin() + mended->kept, whole.begin()));
}

TEST(JpegMending, WithRestartsOnlyTheMarkersTheDamageMadeAreTakenOut) {
  auto jpeg = Jpeg(20000, 64);
  Damage(jpeg, 0, FirstCodedByte(jpeg) / kDamageBlock + 10);
  const auto mended = MendDamagedJpeg(jpeg, 0, jpeg.size());
  ASSERT_TRUE(mended);
  ASSERT_EQ(mended->bytes.size(), jpeg.size());
  size_t changed = 0;
  for (size_t i = 0; i < jpeg.size(); ++i)
    if (mended->bytes[i] != jpeg[i]) {
      ++changed;
      EXPECT_EQ(jpeg[i], 0xFF);
      EXPECT_EQ(mended->bytes[i], 0x00);
    }
  EXPECT_GE(changed, 1u);
  // The mended coded data holds no marker that would stop a decoder.
  EXPECT_FALSE(MendDamagedJpeg(mended->bytes, 0, jpeg.size()));
}

TEST(JpegMending, DamageToTheFrameOrTablesIsLeftAlone) {
  auto jpeg = Jpeg(5000);
  for (size_t i = 1000; i < 1010; ++i) jpeg[i] = 0x5A;  // the frame and the next marker
  EXPECT_FALSE(MendDamagedJpeg(jpeg, 0, jpeg.size()));
}

// Frame header data (after the length) of a frame of the given size.
std::vector<uint8_t> Frame(uint16_t width, uint16_t height) {
  std::vector<uint8_t> frame = {0xFF,
                                0xC0,
                                0x00,
                                0x11,
                                8,
                                uint8_t(height >> 8),
                                uint8_t(height),
                                uint8_t(width >> 8),
                                uint8_t(width),
                                3};
  frame.insert(frame.end(), 9, 0x11);
  return frame;
}

TEST(JpegMending, DamagedLeadingSegmentsAreSkippedToTheOnesThatLeadToTheMainScan) {
  // Application data holding a thumbnail's own tables, frame and scan, then the picture's.
  std::vector<uint8_t> thumbnail = {0xFF, 0xD8};
  Segment(thumbnail, 0xDB, 67, 0x08);
  const auto small = Frame(160, 120);
  thumbnail.insert(thumbnail.end(), small.begin(), small.end());
  Segment(thumbnail, 0xDA, 12, 0x00);
  CodedData(thumbnail, 300, 0, 4);
  thumbnail.insert(thumbnail.end(), {0xFF, 0xD9});
  std::vector<uint8_t> jpeg = {
      0xFF, 0xD8, 0xFF, 0xE1, uint8_t((thumbnail.size() + 2) >> 8), uint8_t(thumbnail.size() + 2)};
  jpeg.insert(jpeg.end(), thumbnail.begin(), thumbnail.end());
  const size_t tables = jpeg.size();
  Segment(jpeg, 0xDB, 67, 0x08);
  const auto large = Frame(1600, 1200);
  jpeg.insert(jpeg.end(), large.begin(), large.end());
  Segment(jpeg, 0xC4, 31, 0x02);
  Segment(jpeg, 0xDA, 12, 0x00);
  CodedData(jpeg, 4000, 0, 5);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});

  auto damaged = jpeg;
  std::fill_n(damaged.begin() + 2, 4, uint8_t{0x77});  // the application segment's marker
  const auto mended = MendDamagedJpeg(damaged, 0, damaged.size());
  ASSERT_TRUE(mended);
  ASSERT_EQ(mended->bytes.size(), damaged.size());
  std::vector<uint8_t> expected = {0xFF, 0xD8};
  expected.insert(expected.end(), jpeg.begin() + tables, jpeg.end());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mended->bytes.begin()));
  EXPECT_TRUE(std::all_of(mended->bytes.begin() + expected.size(), mended->bytes.end(),
                          [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace vlx
