#include "engine/fast/header_signature.h"

#include <gtest/gtest.h>

#include <vector>

namespace vlx {
namespace {

constexpr HeaderPattern kContainer[] = {{0xFFFF00FF, 0x03E8000F}};  // byte 1 free
constexpr HeaderPattern kWords[] = {{0xFFFF, 0x2160}, {0xFFFF, 0x46A0}};
constexpr HeaderPattern kAnyOddStart[] = {{0x01, 0x01}};  // only the low bit counts

TEST(HeaderSignature, FirstByteTableFollowsTheMasksOfEveryPattern) {
  const HeaderSignature container(kContainer);
  const HeaderSignature words(kWords);
  const HeaderSignature odd(kAnyOddStart);
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(container.MayBeginWith(byte), b == 0x0F) << b;
    EXPECT_EQ(words.MayBeginWith(byte), b == 0x60 || b == 0xA0) << b;
    EXPECT_EQ(odd.MayBeginWith(byte), b % 2 == 1) << b;
  }
  EXPECT_TRUE(container.Matches(0x03E8AB0F));
  EXPECT_FALSE(container.Matches(0x03E9000F));
  EXPECT_TRUE(words.Matches(0xF01D46A0));
  EXPECT_FALSE(words.Matches(0xF01D2161));
}

// A buffer of bytes no header begins with, with possible first bytes put at positions.
std::vector<uint8_t> With(size_t size, std::initializer_list<size_t> positions) {
  std::vector<uint8_t> data(size, 0x11);
  for (size_t at : positions) data[at] = 0x0F;
  return data;
}

TEST(HeaderSignature, NextPossibleLooksOnlyAtStepPositionsBelowTheEnd) {
  const HeaderSignature signature(kContainer);
  constexpr size_t kStep = 64;
  constexpr size_t kSize = 64 * 64;
  // Every place of the four-a-round look and of the one-by-one rest: each lane of a
  // round, the first and the last position, and positions near the end where the
  // rounds stop.
  for (size_t position = 0; position < kSize; position += kStep) {
    const auto data = With(kSize, {position});
    EXPECT_EQ(signature.NextPossible(data.data(), 0, kSize, kStep), position);
    // The end is exclusive: a possible byte at the end position is not looked at.
    EXPECT_EQ(signature.NextPossible(data.data(), 0, position, kStep), position);
    // A start past it does not go back.
    if (position + kStep < kSize) {
      EXPECT_EQ(signature.NextPossible(data.data(), position + kStep, kSize, kStep), kSize);
    }
  }
  // Bytes between the positions are never looked at.
  const auto between = With(kSize, {1, 63, 65, kSize - 1});
  EXPECT_EQ(signature.NextPossible(between.data(), 0, kSize, kStep), kSize);
}

TEST(HeaderSignature, NextPossibleWithoutAHitEndsOnTheFirstPositionAtOrPastTheEnd) {
  const HeaderSignature signature(kContainer);
  const auto data = With(4096, {});
  EXPECT_EQ(signature.NextPossible(data.data(), 0, 4096, 512), 4096u);
  EXPECT_EQ(signature.NextPossible(data.data(), 0, 4000, 512), 4096u);  // not a multiple
  EXPECT_EQ(signature.NextPossible(data.data(), 0, 1, 512), 512u);
  EXPECT_EQ(signature.NextPossible(data.data(), 64, 64, 512), 64u);  // empty range
  // Positions follow the start, not multiples of the step.
  const auto off_grid = With(4096, {8 + 3 * 512});
  EXPECT_EQ(signature.NextPossible(off_grid.data(), 8, 4096, 512), 8u + 3 * 512);
  EXPECT_EQ(signature.NextPossible(off_grid.data(), 0, 4096, 512), 4096u);
}

TEST(HeaderSignature, NextPossibleFindsTheFirstOfSeveral) {
  const HeaderSignature signature(kContainer);
  const auto data = With(8192, {64 * 7, 64 * 5, 64 * 6});
  EXPECT_EQ(signature.NextPossible(data.data(), 0, 8192, 64), 64u * 5);
  EXPECT_EQ(signature.NextPossible(data.data(), 64 * 6, 8192, 64), 64u * 6);
}

}  // namespace
}  // namespace vlx
