#include "engine/rebuild/picture_selection.h"

#include <gtest/gtest.h>

#include "engine/format/byte_order.h"
#include "engine/rebuild/blip_catalogue.h"
#include "engine/rebuild/blip_references.h"
#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Filled;
using testing::Put;
using testing::Record;

// A property table of (id, value) pairs.
std::vector<uint8_t> Options(std::initializer_list<std::pair<uint16_t, uint32_t>> properties) {
  std::vector<uint8_t> body;
  for (auto [id, value] : properties) {
    body.resize(body.size() + 6);
    PutU16(body, body.size() - 6, id);
    PutU32(body, body.size() - 4, value);
  }
  return Record(static_cast<uint16_t>(0x0003 | properties.size() << 4), 0xF00B, body);
}

// A JPEG blip record whose uid is sixteen bytes of `uid_byte`.
std::vector<uint8_t> Blip(uint8_t uid_byte, size_t data) {
  std::vector<uint8_t> body = Filled(16, uid_byte);
  body.push_back(0xFF);
  body.resize(body.size() + data, uid_byte);
  return Record(0x46A0, 0xF01D, body);
}

// A blip-store entry naming the picture of uid_byte at `offset` of the Pictures stream.
std::vector<uint8_t> Entry(uint8_t uid_byte, uint32_t size, uint32_t offset) {
  std::vector<uint8_t> body(36, 0);
  body[0] = body[1] = 5;
  std::fill_n(body.begin() + 2, 16, uid_byte);
  PutU32(body, 20, size);
  PutU32(body, 24, 1);
  PutU32(body, 28, offset);
  return Record(0x0052, 0xF007, body);
}

TEST(BlipReferencesTest, BlipIdPropertiesInNestedShapesAreFoundOthersAreNot) {
  const auto shape = Record(0x000F, 0xF004,
                            Cat({Options({{0x4104, 2}, {0x0080, 7}, {0xC105, 9}, {0x4186, 0}}),
                                 Record(0x0003, 0xF122, {})}));
  const auto background = Record(0x000F, 0xF004, Options({{0x4186, 5}}));
  const auto drawing = Record(0x000F, 0x040C, Record(0x000F, 0xF002, Cat({shape, background})));
  EXPECT_EQ(FindBlipReferences(drawing), (std::set<uint32_t>{2, 5}));

  // A container cut short: the records before the cut still count, nothing is read past.
  auto cut = drawing;
  cut.resize(cut.size() - background.size() + 4);
  EXPECT_EQ(FindBlipReferences(cut), (std::set<uint32_t>{2}));
}

class PictureSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A pictures file: junk up to a block, three blips, junk, a fourth blip on a block.
    std::vector<uint8_t> pictures = Filled(512, 0x11);
    Put(pictures, 512, Cat({Blip(0xA1, 100), Blip(0xA2, 2000), Blip(0xA3, 50)}));
    pictures.resize(4096, 0x22);
    Put(pictures, 4096, Blip(0xA4, 10));
    pictures_path_ = dir_.Write("pictures", pictures);
    file_ = DamagedFile::Open(pictures_path_);
    store_ = Record(0x004F, 0xF001,
                    Cat({Entry(0xA1, 125, 0), Entry(0xA2, 2025, 125), Entry(0xA3, 75, 2150),
                         Entry(0xA4, 35, 9000), Entry(0xEE, 40, 9100)}));
  }

  static uint32_t EntryField(const std::vector<uint8_t>& store, int index, size_t field) {
    return GetU32(store, 8 + static_cast<size_t>(index) * 44 + 8 + field);
  }

  testing::TempDir dir_;
  std::string pictures_path_;
  std::unique_ptr<DamagedFile> file_;
  std::vector<uint8_t> store_;
};

TEST_F(PictureSelectionTest, CatalogueFindsEveryBlipAndSkipsJunkByBlocks) {
  const BlipCatalogue catalogue = BlipCatalogue::Read(*file_);
  EXPECT_EQ(catalogue.size(), 4u);
  BlipUid uid;
  uid.fill(0xA2);
  ASSERT_TRUE(catalogue.Find(uid));
  EXPECT_EQ(catalogue.Find(uid)->offset, 512u + 125);
  EXPECT_EQ(catalogue.Find(uid)->length, 2025u);
  uid.fill(0xA4);
  EXPECT_EQ(catalogue.Find(uid)->offset, 4096u);
  uid.fill(0xEE);
  EXPECT_FALSE(catalogue.Find(uid));
}

TEST_F(PictureSelectionTest, OnlyReferredPicturesAreCarriedAndTheStorePointsAtThem) {
  const BlipCatalogue catalogue = BlipCatalogue::Read(*file_);
  const SelectedPictures selected = SelectPictures(store_, {2, 4, 5}, catalogue, *file_);
  ASSERT_EQ(selected.blip_store.size(), store_.size());
  EXPECT_EQ(selected.carried, 2u);
  EXPECT_EQ(selected.pictures.size(), 2025u + 35);
  // Entry 2 now at the stream's start, entry 4 right after it.
  EXPECT_EQ(EntryField(selected.blip_store, 1, 28), 0u);
  EXPECT_EQ(EntryField(selected.blip_store, 1, 20), 2025u);
  EXPECT_EQ(EntryField(selected.blip_store, 3, 28), 2025u);
  EXPECT_EQ(selected.pictures[2025 + 8], 0xA4);
  // Not referred (1, 3) or not found (5): empty, pointing nowhere.
  for (int unused : {0, 2, 4}) {
    EXPECT_EQ(EntryField(selected.blip_store, unused, 20), 0u) << unused;
    EXPECT_EQ(EntryField(selected.blip_store, unused, 28), 0xFFFFFFFFu) << unused;
  }
}

TEST_F(PictureSelectionTest, DamagedStoreIsKeptAsFarAsItsEntriesGo) {
  const BlipCatalogue catalogue = BlipCatalogue::Read(*file_);
  std::vector<uint8_t> cut = store_;
  PutU32(cut, 8 + 44 + 4, 5000);  // the second entry overruns the store
  const SelectedPictures selected = SelectPictures(cut, {1, 2}, catalogue, *file_);
  EXPECT_EQ(selected.carried, 1u);
  EXPECT_EQ(selected.pictures.size(), 125u);
  EXPECT_TRUE(std::equal(cut.begin() + 8 + 44, cut.end(), selected.blip_store.begin() + 8 + 44));
  EXPECT_TRUE(SelectPictures(std::vector<uint8_t>{0x0F}, {1}, catalogue, *file_).pictures.empty());
}

}  // namespace
}  // namespace vlx
