#include "engine/rebuild/object_previews.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "engine/format/byte_order.h"
#include "engine/rebuild/picture_mending.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

constexpr size_t kMetafileAt = 8 + 16;  // a one-id metafile record: header and id

class ChartsOf37625 : public ::testing::Test {
 protected:
  void SetUp() override {
    VLX_REQUIRE_CORPUS();
    if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
    const testing::ReaderResult read = testing::ReadWithOlefile(CorpusPath("healthy/37625.ppt"));
    ASSERT_TRUE(read.ok) << read.complaint;
    document_ = read.streams.at("PowerPoint Document");
    pictures_ = read.streams.at("Pictures");
  }

  std::vector<uint8_t> document_, pictures_;
};

// The presentation's charts are embedded objects shown by shapes that name a metafile
// picture each; the objects keep their own pictures, found by the pictures their shapes name.
TEST_F(ChartsOf37625, EachChartsOwnPictureIsFoundByThePictureItsShapeShows) {
  const std::map<uint32_t, ObjectPreview> previews = ObjectPreviewsByBlip(document_);
  std::vector<uint32_t> blips;
  for (const auto& [blip, preview] : previews) blips.push_back(blip);
  EXPECT_EQ(blips, (std::vector<uint32_t>{3, 4, 6, 7, 9, 10, 11, 14, 15, 16}));
  // The first chart of the newest slides (object 516, stored as persist object 218): its
  // cached metafile, 19473 x 11430 hundredths of a millimetre, drawn in a 736 x 432 window.
  const ObjectPreview& chart = previews.at(4);
  EXPECT_EQ(chart.wmf.size(), 3600u);
  EXPECT_EQ(LoadU16(chart.wmf.data()), 1);
  EXPECT_EQ(chart.width_emu, 19473u * 360);
  EXPECT_EQ(chart.height_emu, 11430u * 360);
  EXPECT_EQ(std::vector<int>({chart.left, chart.top, chart.right, chart.bottom}),
            std::vector<int>({0, 0, 736, 432}));
  // Without the user edit nothing says which records are the newest: no previews.
  std::vector<uint8_t> no_edit = document_;
  for (size_t at = 0; at + 8 <= no_edit.size();) {
    const uint32_t length = LoadU32(no_edit.data() + at + 4);
    if (LoadU16(no_edit.data() + at + 2) == 0x0FF5) StoreU16(no_edit.data() + at + 2, 0x0FF4);
    at += 8 + size_t{length};
  }
  EXPECT_TRUE(ObjectPreviewsByBlip(no_edit).empty());
}

TEST_F(ChartsOf37625, ADamagedChartPictureIsDrawnAgainFromItsObjectsOwn) {
  // Picture 7 of the store (at 0x4D24E, 2163 bytes: the chart of object 520) gets a block
  // of noise in its packed metafile; picture 8 (0x99C15, a plain picture of a chart that
  // no object shows) gets the same.
  std::vector<uint8_t> damaged = pictures_;
  std::mt19937 noise(7);
  for (const size_t at : {size_t{0x4D24E + 900}, size_t{0x99C15 + 900}})
    for (size_t i = 0; i < 512; ++i) damaged[at + i] = static_cast<uint8_t>(noise());
  testing::TempDir dir;
  auto pictures = DamagedFile::Open(dir.Write("pictures", damaged));
  ASSERT_TRUE(pictures);
  std::string error;
  const std::optional<PictureMending> mending =
      MendDamagedPictures(document_, *pictures, dir.File("mended"), &error);
  ASSERT_TRUE(mending) << error;
  EXPECT_EQ(mending->previews_used, 1u);
  EXPECT_EQ(mending->metafiles_cut, 1u) << "the plain picture keeps what it can";

  const std::vector<unsigned char> out = testing::ReadAll(dir.File("mended"));
  ASSERT_EQ(out.size(), pictures_.size());
  const uint8_t* record = out.data() + 0x4D24E;
  EXPECT_EQ(LoadU16(record), 0x2160);
  EXPECT_EQ(LoadU16(record + 2), 0xF01B);  // a WMF now
  EXPECT_EQ(LoadU32(record + 4), 2163u - 8);
  EXPECT_TRUE(std::equal(record + 8, record + 24, pictures_.begin() + 0x4D24E + 8)) << "its id";
  const uint32_t size = LoadU32(record + kMetafileAt);
  const uint32_t packed = LoadU32(record + kMetafileAt + 28);
  std::vector<uint8_t> metafile(size);
  uLongf got = size;
  ASSERT_EQ(uncompress(metafile.data(), &got, record + kMetafileAt + 34, packed), Z_OK);
  EXPECT_TRUE(metafile == ObjectPreviewsByBlip(document_).at(7).wmf);
  // Every byte after the record is as it was.
  EXPECT_TRUE(std::equal(out.begin() + 0x4D24E + 2163, out.begin() + 0x99C15,
                         pictures_.begin() + 0x4D24E + 2163));
}

}  // namespace
}  // namespace vlx
