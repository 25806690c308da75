// Structure of every stored template block: complete records, the right kinds and the
// lengths the rebuild relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "tests/templates/record_walker.h"

namespace vlx {
namespace {

using testing::TopLevel;
using testing::WalkedRecord;
using testing::WalkRecords;

struct WholeBlock {
  std::string name;
  std::span<const uint8_t> bytes;
  uint16_t ver_inst;
  uint16_t type;
};

std::vector<WholeBlock> WholeRecordBlocks(const TemplateRecords& t) {
  return {
      {"document_atom", t.document_atom, 0x0001, 0x03E9},
      {"environment", t.environment, 0x000F, 0x03F2},
      {"dgg_atom", t.dgg_atom, 0x0000, 0xF006},
      {"default_blip_store", t.default_blip_store, 0x010F, 0xF001},
      {"dgg_options", t.dgg_options, 0x0083, 0xF00B},
      {"menu_split_colors", t.menu_split_colors, 0x0040, 0xF11E},
      {"master_list", t.master_list, 0x001F, 0x0FF0},
      {"doc_info_list", t.doc_info_list, 0x000F, 0x07D0},
      {"slide_list", t.slide_list, 0x000F, 0x0FF0},
      {"end_document", t.end_document, 0x0000, 0x03EA},
      {"default_main_master", t.default_main_master, 0x000F, 0x03F8},
      {"trial_slide", t.trial_slide, 0x000F, 0x03EE},
  };
}

TEST(TemplateBlocks, EachWholeBlockIsOneCompleteRecordOfItsKind) {
  for (const WholeBlock& block : WholeRecordBlocks(PristineTemplates())) {
    SCOPED_TRACE(block.name);
    auto walk = WalkRecords(block.bytes);
    ASSERT_TRUE(walk.has_value()) << "records overrun or leave bytes over";
    auto top = TopLevel(*walk);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].ver_inst, block.ver_inst);
    EXPECT_EQ(top[0].type, block.type);
    EXPECT_EQ(top[0].end(), block.bytes.size());
  }
}

TEST(TemplateBlocks, PatchedHeadersHoldTheirKindAndStoredLength) {
  const TemplateRecords& t = PristineTemplates();
  struct Header {
    std::span<const uint8_t> bytes;
    uint16_t type;
    uint32_t stored_length;
  };
  for (const Header& h :
       {Header{t.document_header, 0x03E8, 859}, Header{t.drawing_group_header, 0x040B, 128},
        Header{t.dgg_header, 0xF000, 120}, Header{t.slide_head, 0x03EE, 826}}) {
    SCOPED_TRACE(h.type);
    EXPECT_EQ(GetU16(h.bytes, 0), 0x000F);
    EXPECT_EQ(GetU16(h.bytes, 2), h.type);
    EXPECT_EQ(GetU32(h.bytes, 4), h.stored_length);
  }
}

// The stored lengths describe the skeleton with no blip store: the pieces inside each
// container must add up to exactly those lengths.
TEST(TemplateBlocks, StoredContainerLengthsMatchTheirPieces) {
  const TemplateRecords& t = PristineTemplates();
  const size_t dgg_content = t.dgg_atom.size() + t.dgg_options.size() + t.menu_split_colors.size();
  EXPECT_EQ(GetU32(t.dgg_header, 4), dgg_content);
  EXPECT_EQ(GetU32(t.drawing_group_header, 4), t.dgg_header.size() + dgg_content);
  const size_t document_content =
      t.document_atom.size() + t.environment.size() + t.drawing_group_header.size() +
      GetU32(t.drawing_group_header, 4) + t.master_list.size() + t.doc_info_list.size() +
      t.slide_list.size() + t.end_document.size();
  EXPECT_EQ(GetU32(t.document_header, 4), document_content);
}

TEST(TemplateBlocks, SlideHeadIsTheTrialSlidesHeaderAndAtom) {
  const TemplateRecords& t = PristineTemplates();
  auto atom = WalkRecords(std::span<const uint8_t>(t.slide_head).subspan(8));
  ASSERT_TRUE(atom.has_value());
  ASSERT_EQ(atom->size(), 1u);
  EXPECT_EQ((*atom)[0].type, 0x03EF);
  EXPECT_EQ((*atom)[0].length, 24u);
  EXPECT_TRUE(std::equal(t.slide_head.begin() + 8, t.slide_head.end(), t.trial_slide.begin() + 8));
}

}  // namespace
}  // namespace vlx
