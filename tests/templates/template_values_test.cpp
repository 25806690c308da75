// The stated field values of the template blocks, and the ids that must agree across them.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/template_records.h"
#include "tests/templates/record_walker.h"

namespace vlx {
namespace {

using testing::ChildrenOf;
using testing::FindFirst;
using testing::WalkedRecord;
using testing::WalkRecords;

constexpr uint32_t kMasterSlideId = 0x80000000;
constexpr uint32_t kFirstSlideId = 256;

TEST(TemplateValues, DocumentAtomFields) {
  std::span<const uint8_t> a = PristineTemplates().document_atom;
  EXPECT_EQ(GetU32(a, 8), 5760u);   // slide width
  EXPECT_EQ(GetU32(a, 12), 4320u);  // slide height
  EXPECT_EQ(GetU32(a, 16), 4320u);  // notes width
  EXPECT_EQ(GetU32(a, 20), 5760u);  // notes height
  EXPECT_EQ(GetU32(a, 24), 5u);     // server zoom numerator
  EXPECT_EQ(GetU32(a, 28), 10u);    // server zoom denominator
  EXPECT_EQ(GetU32(a, 32), 0u);     // notes master persist
  EXPECT_EQ(GetU32(a, 36), 0u);     // handout master persist
  EXPECT_EQ(GetU16(a, 40), 1u);     // first slide number
  EXPECT_EQ(GetU16(a, 42), 0u);     // slide size type
  EXPECT_EQ(a[44], 0u);             // save with fonts
  EXPECT_EQ(a[45], 0u);             // omit title place
  EXPECT_EQ(a[46], 0u);             // right to left
  EXPECT_EQ(a[47], 1u);             // show comments
}

TEST(TemplateValues, DrawingGroupAtomCountsAndClusters) {
  std::span<const uint8_t> a = PristineTemplates().dgg_atom;
  EXPECT_EQ(GetU32(a, 4), 32u);
  const std::array<uint32_t, 8> expected = {2053, 3, 10, 2, 1, 7, 2, 5};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(GetU32(a, 8 + 4 * i), expected[i]) << "field " << i;
  }
}

TEST(TemplateValues, BlipStoreDescribesTheStoredPictures) {
  struct Picture {
    size_t entry;
    uint8_t win32, mac;
    uint32_t size, references, offset;
  };
  const std::vector<Picture> pictures = {
      {0, 6, 6, 348, 2, 0},        {1, 5, 5, 128706, 1, 0x15C},  {3, 6, 6, 3116, 2, 0x1F81E},
      {5, 6, 6, 3913, 1, 0x2044A}, {14, 2, 4, 1946, 1, 0x21393}, {15, 6, 6, 23165, 1, 0x21B2D},
  };
  std::span<const uint8_t> store = PristineTemplates().default_blip_store;
  auto walk = WalkRecords(store);
  ASSERT_TRUE(walk.has_value());
  auto entries = ChildrenOf(*walk, (*walk)[0]);
  ASSERT_EQ(entries.size(), 16u);
  EXPECT_EQ((*walk)[0].instance(), 16);

  std::vector<std::vector<uint8_t>> uids;
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    const WalkedRecord& e = entries[i];
    ASSERT_EQ(e.type, 0xF007);
    ASSERT_EQ(e.length, 36u);
    EXPECT_EQ(e.version(), 2);
    Picture want{i, 0, 0, 0, 0, 0};
    for (const Picture& p : pictures) {
      if (p.entry == i) want = p;
    }
    const size_t b = e.body();
    EXPECT_EQ(e.instance(), want.win32);
    EXPECT_EQ(store[b], want.win32);
    EXPECT_EQ(store[b + 1], want.mac);
    EXPECT_EQ(GetU16(store, b + 18), 0x00FF);  // tag
    EXPECT_EQ(GetU32(store, b + 20), want.size);
    EXPECT_EQ(GetU32(store, b + 24), want.references);
    EXPECT_EQ(GetU32(store, b + 28), want.offset);
    if (want.size != 0) uids.emplace_back(store.begin() + b + 2, store.begin() + b + 18);
  }
  // Pictures are told apart by their identifiers.
  for (size_t i = 0; i < uids.size(); ++i) {
    for (size_t j = i + 1; j < uids.size(); ++j) EXPECT_NE(uids[i], uids[j]);
  }
}

TEST(TemplateValues, PropertyTableAndSplitMenuColours) {
  const TemplateRecords& t = PristineTemplates();
  EXPECT_EQ(GetU16(t.dgg_options, 0) >> 4, 8);
  const std::array<std::pair<uint16_t, uint32_t>, 8> properties = {{{0x0181, 0x08000004},
                                                                    {0x0183, 0x08000000},
                                                                    {0x4186, 0},
                                                                    {0x01BF, 0x00100010},
                                                                    {0x01C0, 0x08000001},
                                                                    {0x41C5, 0},
                                                                    {0x01FF, 0x00080008},
                                                                    {0x0201, 0x08000002}}};
  for (size_t i = 0; i < properties.size(); ++i) {
    EXPECT_EQ(GetU16(t.dgg_options, 8 + 6 * i), properties[i].first) << i;
    EXPECT_EQ(GetU32(t.dgg_options, 10 + 6 * i), properties[i].second) << i;
  }
  const std::array<uint32_t, 4> colours = {0x08000004, 0x08000001, 0x08000002, 0x100000F7};
  for (size_t i = 0; i < colours.size(); ++i) {
    EXPECT_EQ(GetU32(t.menu_split_colors, 8 + 4 * i), colours[i]) << i;
  }
}

// Persist 2 is the master (slide id 0x80000000), persist 3 the one slide (slide id 256),
// and both slide atoms follow that master.
TEST(TemplateValues, PersistAndSlideIdsAgreeAcrossBlocks) {
  const TemplateRecords& t = PristineTemplates();
  ASSERT_EQ(GetU16(t.master_list, 8 + 2), 0x03F3);
  const std::array<uint32_t, 5> master_persist = {2, 0, 0, kMasterSlideId, 0};
  for (size_t i = 0; i < master_persist.size(); ++i) {
    EXPECT_EQ(GetU32(t.master_list, 16 + 4 * i), master_persist[i]) << i;
  }

  auto walk = WalkRecords(t.slide_list);
  ASSERT_TRUE(walk.has_value());
  EXPECT_EQ((*walk)[0].instance(), 0);
  auto entries = ChildrenOf(*walk, (*walk)[0]);
  ASSERT_EQ(entries.size(), 3u);
  ASSERT_EQ(entries[0].type, 0x03F3);
  const std::array<uint32_t, 5> slide_persist = {3, 4, 2, kFirstSlideId, 0};
  for (size_t i = 0; i < slide_persist.size(); ++i) {
    EXPECT_EQ(GetU32(t.slide_list, entries[0].body() + 4 * i), slide_persist[i]) << i;
  }
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(entries[i].type, 0x0F9F);
    EXPECT_EQ(entries[i].instance(), i - 1);
  }
  EXPECT_EQ(GetU32(t.slide_list, entries[1].body()), 6u);  // centred title
  EXPECT_EQ(GetU32(t.slide_list, entries[2].body()), 5u);  // centred body

  for (std::span<const uint8_t> slide :
       {std::span<const uint8_t>(t.slide_head), std::span<const uint8_t>(t.trial_slide)}) {
    EXPECT_EQ(GetU32(slide, 16), 1u);  // layout
    const std::array<uint8_t, 8> placeholders = {0x0D, 0x0E, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(placeholders.begin(), placeholders.end(), slide.begin() + 20));
    EXPECT_EQ(GetU32(slide, 28), kMasterSlideId);
    EXPECT_EQ(GetU32(slide, 32), 0u);  // notes
    EXPECT_EQ(GetU16(slide, 36), 7u);  // follows the master
    EXPECT_EQ(GetU16(slide, 38), 0x0013u);
  }
}

std::vector<uint32_t> ShapeIds(std::span<const uint8_t> bytes,
                               const std::vector<WalkedRecord>& walk) {
  std::vector<uint32_t> ids;
  for (const WalkedRecord& r : walk) {
    if (r.type == 0xF00A) ids.push_back(GetU32(bytes, r.body()));
  }
  return ids;
}

TEST(TemplateValues, MainMasterContents) {
  std::span<const uint8_t> m = PristineTemplates().default_main_master;
  auto walk = WalkRecords(m);
  ASSERT_TRUE(walk.has_value());
  auto children = ChildrenOf(*walk, (*walk)[0]);
  ASSERT_EQ(children.size(), 1u + 12 + 7 + 1 + 1 + 1 + 1);
  EXPECT_EQ(children[0].type, 0x03EF);
  EXPECT_EQ(GetU32(m, children[0].body()), 1u);
  const std::array<uint8_t, 8> placeholders = {1, 2, 7, 9, 8, 0, 0, 0};
  EXPECT_TRUE(std::equal(placeholders.begin(), placeholders.end(), m.begin() + 20));
  EXPECT_EQ(GetU16(m, children[0].end() - 2), 0x0013u);
  for (size_t i = 1; i <= 12; ++i) {
    EXPECT_EQ(children[i].type, 0x07F0);
    EXPECT_EQ(children[i].instance(), 6);
  }
  const std::array<int, 7> style_instances = {0, 1, 2, 5, 6, 7, 8};
  for (size_t i = 0; i < style_instances.size(); ++i) {
    EXPECT_EQ(children[13 + i].type, 0x0FA3);
    EXPECT_EQ(children[13 + i].instance(), style_instances[i]);
  }
  EXPECT_EQ(children[20].type, 0x040C);
  EXPECT_EQ(children[20].length, 1238u);
  EXPECT_EQ(children[21].type, 0x07F0);
  EXPECT_TRUE(std::equal(m.begin() + children[21].body(), m.begin() + children[21].end(),
                         m.begin() + children[1].body()));
  EXPECT_EQ(children[22].type, 0x1388);
  EXPECT_EQ(children[23].type, 0x0FBA);
  EXPECT_EQ(testing::AsciiFromUtf16(m, children[23]), "Default Design");

  auto fdg = FindFirst(*walk, 0xF008);
  ASSERT_TRUE(fdg.has_value());
  EXPECT_EQ(GetU32(m, fdg->body()), 6u);
  EXPECT_EQ(GetU32(m, fdg->body() + 4), 0x406u);

  EXPECT_EQ(ShapeIds(m, *walk),
            (std::vector<uint32_t>{0x400, 0x402, 0x403, 0x404, 0x405, 0x406, 0x401}));
}

TEST(TemplateValues, TrialSlideDrawingUsesTheSecondCluster) {
  std::span<const uint8_t> s = PristineTemplates().trial_slide;
  auto walk = WalkRecords(s);
  ASSERT_TRUE(walk.has_value());
  auto drawing = FindFirst(*walk, 0x040C);
  ASSERT_TRUE(drawing.has_value());
  EXPECT_EQ(drawing->length, 404u);
  auto fdg = FindFirst(*walk, 0xF008);
  ASSERT_TRUE(fdg.has_value());
  EXPECT_EQ(GetU32(s, fdg->body()), 3u);
  EXPECT_EQ(GetU32(s, fdg->body() + 4), 0x805u);
  EXPECT_EQ(ShapeIds(s, *walk), (std::vector<uint32_t>{0x800, 0x804, 0x805, 0x801}));

  std::vector<uint8_t> placeholder_ids;
  std::vector<uint32_t> outline_refs;
  for (const WalkedRecord& r : *walk) {
    if (r.type == 0x0BC3) placeholder_ids.push_back(s[r.body() + 4]);
    if (r.type == 0x0F9E) outline_refs.push_back(GetU32(s, r.body()));
  }
  EXPECT_EQ(placeholder_ids, (std::vector<uint8_t>{0x0D, 0x0E}));
  EXPECT_EQ(outline_refs, (std::vector<uint32_t>{0, 1}));
  EXPECT_FALSE(FindFirst(*walk, 0x0FA0).has_value()) << "the trial slide has no text of its own";

  auto top = ChildrenOf(*walk, (*walk)[0]);
  ASSERT_EQ(top.size(), 4u);
  EXPECT_EQ(top[2].type, 0x07F0);
  EXPECT_EQ(top[2].instance(), 1);
  EXPECT_EQ(top[3].type, 0x1388);
}

TEST(TemplateValues, CurrentUserAtomFields) {
  std::span<const uint8_t> u = PristineTemplates().current_user_image;
  EXPECT_EQ(GetU16(u, 0), 0x0000);
  EXPECT_EQ(GetU16(u, 2), 0x0FF6);
  EXPECT_EQ(GetU32(u, 4), 31u);
  EXPECT_EQ(GetU32(u, 8), 20u);
  EXPECT_EQ(GetU32(u, 12), 0xE391C05Fu);
  EXPECT_EQ(GetU32(u, kCurrentUserEditOffsetField), 5045u);
  EXPECT_EQ(GetU16(u, 20), 7u);
  EXPECT_EQ(GetU16(u, 22), 0x03F4u);
  EXPECT_EQ(u[24], 3u);
  EXPECT_EQ(u[25], 0u);
  EXPECT_EQ(GetU16(u, 26), 0x009Fu);
  EXPECT_EQ(std::string(u.begin() + 28, u.begin() + 35), "author1");
  EXPECT_EQ(GetU32(u, 35), 8u);
  const std::string wide("a\0u\0t\0h\0o\0r\0\x31\0", 14);
  EXPECT_EQ(std::string(u.begin() + 39, u.begin() + 53), wide);
  EXPECT_EQ(std::vector<uint8_t>(u.begin() + 53, u.begin() + 56), (std::vector<uint8_t>{0, 0, 1}));
}

}  // namespace
}  // namespace vlx
