#include "engine/rebuild/persist_directory.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/format/byte_order.h"

namespace vlx {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(PersistDirectoryTest, OneSlideFormsMatchTheBytesThatOpen) {
  const Bytes directory = MakePersistDirectoryBlock(1579, 4055);
  const Bytes expected_directory = {0x00, 0x00, 0x72, 0x17, 0x10, 0x00, 0x00, 0x00,
                                    0x01, 0x00, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0x2b, 0x06, 0x00, 0x00, 0xd7, 0x0f, 0x00, 0x00};
  EXPECT_EQ(directory, expected_directory);

  const Bytes user_edit = MakeUserEditBlock(4611);
  const Bytes expected_user_edit = {0x00, 0x00, 0xf5, 0x0f, 0x1c, 0x00, 0x00, 0x00, 0x00,
                                    0x01, 0x00, 0x00, 0x3f, 0x0a, 0x00, 0x03, 0x00, 0x00,
                                    0x00, 0x00, 0x03, 0x12, 0x00, 0x00, 0x01, 0x00, 0x00,
                                    0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0xdb, 0x09};
  EXPECT_EQ(user_edit, expected_user_edit);
}

TEST(PersistDirectoryTest, SeveralSlidesExtendTheRunAndTheSeed) {
  const std::vector<uint32_t> offsets = {0, 100, 200, 300, 400};
  const Bytes directory = MakePersistDirectoryBlock(offsets);
  ASSERT_EQ(directory.size(), 8u + 4 + 4 * offsets.size());
  EXPECT_EQ(GetU32(directory, 4), 4 + 4 * offsets.size());
  EXPECT_EQ(GetU32(directory, 8), 1u | (5u << 20));
  for (size_t i = 0; i < offsets.size(); ++i) EXPECT_EQ(GetU32(directory, 12 + 4 * i), offsets[i]);

  // With a seed below 2 + N the office shows the slides blank.
  EXPECT_EQ(GetU32(MakeUserEditBlock(7, 3), 28), 5u);
}

TEST(PersistDirectoryTest, MoreEntriesThanOneRunHoldsAreSplitIntoRuns) {
  std::vector<uint32_t> offsets(4095 + 10);
  for (size_t i = 0; i < offsets.size(); ++i) offsets[i] = static_cast<uint32_t>(i * 16);
  const Bytes directory = MakePersistDirectoryBlock(offsets);
  ASSERT_EQ(directory.size(), 8u + 2 * 4 + 4 * offsets.size());
  EXPECT_EQ(GetU32(directory, 8), 1u | (4095u << 20));
  const size_t second_run = 12 + 4 * 4095;
  EXPECT_EQ(GetU32(directory, second_run), 4096u | (10u << 20));
  EXPECT_EQ(GetU32(directory, second_run + 4), 4095u * 16);
}

}  // namespace
}  // namespace vlx
