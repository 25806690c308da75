#include "engine/rebuild/resolved_pictures.h"

#include <gtest/gtest.h>

#include "engine/format/record_types.h"
#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;

std::vector<uint8_t> Uid(uint8_t mark) {
  return testing::Filled(16, mark);
}

// A blip-store entry naming the picture with the given id at offset delay.
std::vector<uint8_t> Entry(uint8_t mark, uint32_t delay) {
  std::vector<uint8_t> body = Cat({{5, 5}, Uid(mark), testing::Filled(10, 0)});
  AppendU32(body, delay);
  body.resize(36, 0);
  return Record(0x0052, kTypeBlipStoreEntry, body);
}

std::vector<uint8_t> StreamNaming(std::initializer_list<std::vector<uint8_t>> entries) {
  const auto store = Record(0x0F, kTypeBlipStore, Cat(entries));
  const auto group =
      Record(0x0F, kTypeDrawingGroup, Record(0x0F, kTypeDrawingGroupContainer, store));
  // An older Document first: the newest one is the last.
  const auto older = Record(0x0F, kTypeDocument, Record(1, kTypeDocumentAtom, {}));
  return Cat({older, Record(0x0F, kTypeDocument, Cat({Record(1, kTypeDocumentAtom, {}), group}))});
}

TEST(ResolvedPictures, CountsTheEntriesWhosePictureIsWhereTheyNameIt) {
  testing::TempDir dir;
  const auto jpeg = Record(0x46A0, 0xF01D, Cat({Uid(0xA1), testing::Filled(40, 7)}));
  const auto png = Record(0x6E00, 0xF01E, Cat({Uid(0xB2), testing::Filled(40, 9)}));
  const std::string path = dir.Write("pictures", Cat({jpeg, png}));
  auto pictures = DamagedFile::Open(path);
  ASSERT_TRUE(pictures);
  const auto both = StreamNaming({Entry(0xA1, 0), Entry(0xB2, static_cast<uint32_t>(jpeg.size()))});
  EXPECT_EQ(ResolvedPictures(both, *pictures), 2u);
  // A picture of another id there, an offset past the end, no store at all: none.
  EXPECT_EQ(ResolvedPictures(StreamNaming({Entry(0xB2, 0), Entry(0xA1, 99999)}), *pictures), 0u);
  EXPECT_EQ(ResolvedPictures(Record(0x0F, kTypeDocument, {}), *pictures), 0u);
}

}  // namespace
}  // namespace vlx
