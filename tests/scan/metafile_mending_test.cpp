#include "engine/scan/pictures/metafile_mending.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

void Add32(std::vector<uint8_t>& out, uint32_t v) {
  AppendU32(out, v);
}
void Add16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// A WMF of `count` rectangles at random places, then its end-of-file record.
std::vector<uint8_t> Wmf(size_t count) {
  std::mt19937 random(3);
  std::vector<uint8_t> m;
  Add16(m, 1);
  Add16(m, 9);
  Add16(m, 0x300);
  Add32(m, 0);  // size, set below
  Add16(m, 0);
  Add32(m, 7);
  Add16(m, 0);
  for (size_t i = 0; i < count; ++i) {
    Add32(m, 7);
    Add16(m, 0x041B);
    for (int k = 0; k < 4; ++k) Add16(m, static_cast<uint16_t>(random()));
  }
  Add32(m, 3);
  Add16(m, 0);
  StoreU32(m.data() + 6, static_cast<uint32_t>(m.size() / 2));
  return m;
}

// An EMF: its header record, `count` rectangles, its end-of-file record.
std::vector<uint8_t> Emf(size_t count) {
  std::mt19937 random(4);
  std::vector<uint8_t> m(108, 0);
  StoreU32(m.data(), 1);
  StoreU32(m.data() + 4, 108);
  StoreU32(m.data() + 40, 0x464D4520);  // " EMF"
  for (size_t i = 0; i < count; ++i) {
    Add32(m, 43);
    Add32(m, 24);
    for (int k = 0; k < 4; ++k) Add32(m, random() % 5000);
  }
  const uint32_t eof[5] = {14, 20, 0, 16, 20};
  for (uint32_t v : eof) Add32(m, v);
  StoreU32(m.data() + 48, static_cast<uint32_t>(m.size()));
  StoreU32(m.data() + 52, static_cast<uint32_t>(count + 2));
  return m;
}

// The metafile behind a picture record's metafile header, deflated.
std::vector<uint8_t> Stored(const std::vector<uint8_t>& metafile) {
  uLongf size = compressBound(static_cast<uLong>(metafile.size()));
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, metafile.data(), static_cast<uLong>(metafile.size()), 9);
  packed.resize(size);
  std::vector<uint8_t> out;
  out.reserve(34 + packed.size());
  out.resize(34, 0);
  StoreU32(out.data(), static_cast<uint32_t>(metafile.size()));
  StoreU32(out.data() + 28, static_cast<uint32_t>(packed.size()));
  out[32] = 0x00;
  out[33] = 0xFE;
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& stored) {
  std::vector<uint8_t> out(LoadU32(stored.data()));
  uLongf size = out.size();
  EXPECT_EQ(uncompress(out.data(), &size, stored.data() + 34, LoadU32(stored.data() + 28)), Z_OK);
  EXPECT_EQ(size, out.size());
  return out;
}

void Damage(std::vector<uint8_t>& bytes, size_t block) {
  std::mt19937 random(11);
  for (size_t i = block * kDamageBlock; i < (block + 1) * kDamageBlock && i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(random());
}

TEST(MetafileMending, AWholeMetafileIsLeftAlone) {
  const auto wmf = Stored(Wmf(500)), emf = Stored(Emf(500));
  EXPECT_FALSE(MendDamagedMetafile(wmf, MetafileKind::kWmf, 0, wmf.size()));
  EXPECT_FALSE(MendDamagedMetafile(emf, MetafileKind::kEmf, 0, emf.size()));
}

TEST(MetafileMending, AWmfKeepsItsRecordsBeforeTheDamageAndEndsThere) {
  const auto original = Wmf(3000);
  auto stored = Stored(original);
  Damage(stored, stored.size() / kDamageBlock / 2);
  const auto mended = MendDamagedMetafile(stored, MetafileKind::kWmf, 0, stored.size());
  ASSERT_TRUE(mended);
  ASSERT_EQ(mended->bytes.size(), stored.size());
  const auto m = Unpack(mended->bytes);
  // The kept records are the original's, then the end-of-file record; the header counts match.
  const size_t kept_bytes = m.size() - 6;
  EXPECT_EQ(kept_bytes, 18 + mended->records_kept * 14);
  EXPECT_TRUE(std::equal(m.begin() + 18, m.begin() + kept_bytes, original.begin() + 18));
  EXPECT_EQ(LoadU32(m.data() + kept_bytes), 3u);
  EXPECT_EQ(LoadU16(m.data() + kept_bytes + 4), 0u);
  EXPECT_EQ(LoadU32(m.data() + 6), m.size() / 2);
  EXPECT_EQ(LoadU32(m.data() + 12), 7u);
  EXPECT_GT(mended->records_kept, 1000u);
  EXPECT_LT(mended->records_kept, 2000u);
}

TEST(MetafileMending, AnEmfKeepsItsRecordsBeforeTheDamageAndItsHeaderCounts) {
  const auto original = Emf(3000);
  auto stored = Stored(original);
  Damage(stored, stored.size() / kDamageBlock / 2);
  const auto mended = MendDamagedMetafile(stored, MetafileKind::kEmf, 0, stored.size());
  ASSERT_TRUE(mended);
  const auto m = Unpack(mended->bytes);
  EXPECT_EQ(m.size(), 108 + mended->records_kept * 24 + 20);
  EXPECT_TRUE(std::equal(m.begin() + 108, m.end() - 20, original.begin() + 108));
  EXPECT_EQ(LoadU32(m.data() + m.size() - 20), 14u);
  EXPECT_EQ(LoadU32(m.data() + 48), m.size());
  EXPECT_EQ(LoadU32(m.data() + 52), mended->records_kept + 2);
}

TEST(MetafileMending, DamageInsideALargeRecordKeepsEveryRecordBeforeIt) {
  // 100 rectangles, one bitmap record of random bytes, 100 rectangles.
  auto wmf = Wmf(100);
  wmf.resize(wmf.size() - 6);  // its end-of-file record, added again below
  std::mt19937 random(7);
  const size_t bitmap_words = 10000;
  Add32(wmf, bitmap_words);
  Add16(wmf, 0x0F43);
  for (size_t i = 0; i < bitmap_words * 2 - 6; ++i) wmf.push_back(static_cast<uint8_t>(random()));
  for (int i = 0; i < 100; ++i) {
    Add32(wmf, 7);
    Add16(wmf, 0x041B);
    for (int k = 0; k < 4; ++k) Add16(wmf, 1);
  }
  Add32(wmf, 3);
  Add16(wmf, 0);
  StoreU32(wmf.data() + 6, static_cast<uint32_t>(wmf.size() / 2));
  auto stored = Stored(wmf);
  Damage(stored, stored.size() / kDamageBlock / 2);  // inside the bitmap
  const auto mended = MendDamagedMetafile(stored, MetafileKind::kWmf, 0, stored.size());
  ASSERT_TRUE(mended);
  EXPECT_EQ(mended->records_kept, 100u);
}

TEST(MetafileMending, WhatCannotBeMendedIsLeftAlone) {
  auto stored = Stored(Wmf(3000));
  auto early = stored;
  Damage(early, 0);  // the header and the first records
  EXPECT_FALSE(MendDamagedMetafile(early, MetafileKind::kWmf, 0, early.size()));
  auto late = stored;
  Damage(late, late.size() / kDamageBlock - 1);
  EXPECT_FALSE(MendDamagedMetafile(late, MetafileKind::kWmf, 0, 100));  // no room
  // An EMF's bytes read as a WMF are no WMF.
  auto emf = Stored(Emf(3000));
  Damage(emf, emf.size() / kDamageBlock / 2);
  EXPECT_FALSE(MendDamagedMetafile(emf, MetafileKind::kWmf, 0, emf.size()));
}

}  // namespace
}  // namespace vlx
