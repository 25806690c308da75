#include <gtest/gtest.h>

#include "engine/fast/assemble_compound.h"
#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "tests/fast/carving_fixture.h"

namespace vlx::testing {
namespace {

// The Current User written with a carved document must name an edit that document
// holds: a stale or cut-off offset makes the office refuse the whole file.
class CurrentUserOffsetTest : public ::testing::Test {
 protected:
  void SetImageOffset(uint32_t offset) {
    StoreU32(run_.templates.current_user_image.data() + kCurrentUserEditOffsetField, offset);
  }
  static uint32_t OffsetIn(const std::array<uint8_t, 5120>& image) {
    return LoadU32(image.data() + kCurrentUserEditOffsetField);
  }

  CarvingRun run_;
};

TEST_F(CurrentUserOffsetTest, KeepsAnOffsetThatNamesAUserEditAtom) {
  Bytes document = Filler(3000);
  PutHeader(document, 2048, 0x0000, 0x0FF5, 28);
  auto file = run_.Damaged(document);
  SetImageOffset(2048);
  EXPECT_EQ(OffsetIn(CurrentUserFor(run_.templates, file.get())), 2048u);
  // The run's image itself is left as the carving set it.
  EXPECT_EQ(OffsetIn(run_.templates.current_user_image), 2048u);
}

TEST_F(CurrentUserOffsetTest, ClearsAnOffsetThatNamesNoEditOrLiesPastTheEnd) {
  Bytes document = Filler(3000);
  PutHeader(document, 2048, 0x0000, 0x0FF5, 28);
  auto file = run_.Damaged(document);
  for (uint32_t offset : {5045u, 2000u, 2999u, 0xFFFFFFF0u}) {
    SetImageOffset(offset);
    EXPECT_EQ(OffsetIn(CurrentUserFor(run_.templates, file.get())), 0u) << offset;
  }
  SetImageOffset(2048);
  EXPECT_EQ(OffsetIn(CurrentUserFor(run_.templates, nullptr)), 0u);  // no document carved
}

}  // namespace
}  // namespace vlx::testing
