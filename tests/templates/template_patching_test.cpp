// Container-length patching and the stream prefix it produces.

#include "engine/rebuild/template_patching.h"

#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "tests/templates/record_walker.h"

namespace vlx {
namespace {

template <typename Block>
void Append(std::vector<uint8_t>& stream, const Block& block) {
  stream.insert(stream.end(), block.begin(), block.end());
}

// Pieces 1-14 of the rebuilt stream with both default blocks, then the trial slide.
std::vector<uint8_t> DefaultTrialPrefix(const TemplateRecords& t) {
  std::vector<uint8_t> stream;
  Append(stream, t.document_header);
  Append(stream, t.document_atom);
  Append(stream, t.environment);
  Append(stream, t.drawing_group_header);
  Append(stream, t.dgg_header);
  Append(stream, t.dgg_atom);
  Append(stream, t.default_blip_store);
  Append(stream, t.dgg_options);
  Append(stream, t.menu_split_colors);
  Append(stream, t.master_list);
  Append(stream, t.doc_info_list);
  Append(stream, t.slide_list);
  Append(stream, t.end_document);
  Append(stream, t.default_main_master);
  Append(stream, t.trial_slide);
  return stream;
}

TEST(TemplatePatching, DefaultBlipStoreGivesTheKnownLengths) {
  TemplateRecords t = PristineTemplates();
  ASSERT_TRUE(PatchContainerLengths(t, t.default_blip_store.size()));
  EXPECT_EQ(GetU32(t.document_header, 4), 1571u);
  EXPECT_EQ(GetU32(t.drawing_group_header, 4), 840u);
  EXPECT_EQ(GetU32(t.dgg_header, 4), 832u);
  EXPECT_EQ(t.master_stream_offset, 1579u);
  // Only the length fields change.
  EXPECT_EQ(GetU32(t.document_header, 0), GetU32(PristineTemplates().document_header, 0));
  EXPECT_EQ(GetU32(t.dgg_header, 0), GetU32(PristineTemplates().dgg_header, 0));
}

// Written in stream order, the patched containers enclose exactly their pieces: the
// Document ends where the master begins, and the trial slide follows the master.
TEST(TemplatePatching, PatchedDefaultPrefixWalksAsDocumentMasterAndSlide) {
  TemplateRecords t = PristineTemplates();
  ASSERT_TRUE(PatchContainerLengths(t, t.default_blip_store.size()));
  const std::vector<uint8_t> stream = DefaultTrialPrefix(t);
  auto walk = testing::WalkRecords(stream);
  ASSERT_TRUE(walk.has_value());
  auto top = testing::TopLevel(*walk);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].type, 0x03E8);
  EXPECT_EQ(top[1].type, 0x03F8);
  EXPECT_EQ(top[1].offset, t.master_stream_offset);
  EXPECT_EQ(top[2].type, 0x03EE);
  EXPECT_EQ(top[2].offset, 4055u);

  auto store = testing::FindFirst(*walk, 0xF001);
  ASSERT_TRUE(store.has_value());
  EXPECT_EQ(store->offset, 396u);
  EXPECT_EQ(store->depth, 3);  // Document > DrawingGroup > OfficeArt container > store
}

TEST(TemplatePatching, FollowsTheBlipStoreSize) {
  TemplateRecords t = PristineTemplates();
  ASSERT_TRUE(PatchContainerLengths(t, 100000));
  EXPECT_EQ(GetU32(t.document_header, 4), 100859u);
  EXPECT_EQ(GetU32(t.drawing_group_header, 4), 100128u);
  EXPECT_EQ(GetU32(t.dgg_header, 4), 100120u);
  EXPECT_EQ(t.master_stream_offset, 100867u);

  // A later build with no blip store restores the stored values.
  ASSERT_TRUE(PatchContainerLengths(t, 0));
  EXPECT_EQ(t.document_header, PristineTemplates().document_header);
  EXPECT_EQ(t.drawing_group_header, PristineTemplates().drawing_group_header);
  EXPECT_EQ(t.dgg_header, PristineTemplates().dgg_header);
}

TEST(TemplatePatching, SizeTooLargeForTheLengthFieldChangesNothing) {
  TemplateRecords t = PristineTemplates();
  ASSERT_TRUE(PatchContainerLengths(t, 712));
  const TemplateRecords before = t;
  const uint64_t largest_fitting = std::numeric_limits<uint32_t>::max() - 859ull;
  EXPECT_FALSE(PatchContainerLengths(t, largest_fitting + 1));
  EXPECT_FALSE(PatchContainerLengths(t, uint64_t{1} << 40));
  EXPECT_EQ(t.document_header, before.document_header);
  EXPECT_EQ(t.drawing_group_header, before.drawing_group_header);
  EXPECT_EQ(t.dgg_header, before.dgg_header);
  EXPECT_EQ(t.master_stream_offset, before.master_stream_offset);

  EXPECT_TRUE(PatchContainerLengths(t, largest_fitting));
  EXPECT_EQ(GetU32(t.document_header, 4), std::numeric_limits<uint32_t>::max());
}

// Patches made through a front end's set stay for its later runs; the pristine copy
// never changes.
TEST(TemplatePatching, AFrontEndsSetKeepsPatchesAndPristineStaysIntact) {
  TemplateRecords front_end = PristineTemplates();
  ASSERT_TRUE(PatchContainerLengths(front_end, 712));
  EXPECT_EQ(GetU32(front_end.document_header, 4), 1571u);
  EXPECT_EQ(front_end.master_stream_offset, 1579u);
  EXPECT_EQ(GetU32(PristineTemplates().document_header, 4), 859u);
  EXPECT_EQ(PristineTemplates().master_stream_offset, 0u);
}

TEST(RecordBytes, LittleEndianRoundTripAndBounds) {
  std::array<uint8_t, 6> buffer{};
  PutU32(buffer, 1, 0x11223344);
  EXPECT_EQ(buffer[1], 0x44);
  EXPECT_EQ(buffer[4], 0x11);
  EXPECT_EQ(GetU32(buffer, 1), 0x11223344u);
  PutU16(buffer, 4, 0xBEEF);
  EXPECT_EQ(GetU16(buffer, 4), 0xBEEF);
  EXPECT_EQ(GetU16(buffer, 3), 0xEF22);

  EXPECT_THROW(GetU32(buffer, 3), std::out_of_range);
  EXPECT_THROW(GetU16(buffer, 5), std::out_of_range);
  EXPECT_THROW(PutU32(buffer, 6, 0), std::out_of_range);
  EXPECT_THROW(PutU16(buffer, std::numeric_limits<size_t>::max(), 0), std::out_of_range);
  EXPECT_EQ(buffer[5], 0xBE) << "a refused write leaves the buffer alone";
}

}  // namespace
}  // namespace vlx
