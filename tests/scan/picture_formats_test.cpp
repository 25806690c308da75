#include <gtest/gtest.h>

#include <random>

#include "engine/scan/pictures/blip_layout.h"
#include "engine/scan/pictures/bmp_format.h"
#include "engine/scan/pictures/dib_format.h"
#include "engine/scan/pictures/gif_format.h"
#include "engine/scan/pictures/jpeg_format.h"
#include "engine/scan/pictures/metafile_blip.h"
#include "engine/scan/pictures/picture_at.h"
#include "engine/scan/pictures/picture_ledger.h"
#include "engine/scan/pictures/picture_search.h"
#include "engine/scan/pictures/png_format.h"
#include "engine/scan/pictures/raster_formats.h"
#include "tests/scan/picture_bytes.h"
#include "tests/support/temp_dir.h"

namespace vlx::testing {
namespace {

Bytes Joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Bmp(const Bytes& dib) {
  const auto header = BmpFileHeaderFor(dib);
  return Joined(Bytes(header.begin(), header.end()), dib);
}

TEST(PictureFormats, EachEndsAtItsOwnEndAndNeverPastTheBytesItHas) {
  const Bytes noise = Filler(300);
  const struct {
    const PictureFormat* format;
    Bytes picture;
  } cases[] = {{&kJpegFormat, Jpeg()},       {&kJpegFormat, Jpeg(true)},
               {&kPngFormat, Png()},         {&kGifFormat, Gif()},
               {&kDibFormat, Dib(3, 2)},     {&kDibFormat, Dib(5, 3, 8)},
               {&kBmpFormat, Bmp(Dib(4, 4))}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.format->name) + " of " + std::to_string(c.picture.size()));
    EXPECT_TRUE(c.format->begins(c.picture));
    EXPECT_EQ(c.format->measure(Joined(c.picture, noise)), c.picture.size());
    const Bytes cut(c.picture.begin(), c.picture.end() - 1);
    EXPECT_FALSE(c.format->measure(cut));
    EXPECT_FALSE(c.format->begins(noise));
  }
}

TEST(PictureFormats, RasterKindsAreToldByContentWhateverTheJpegsFirstMarker) {
  EXPECT_EQ(MatchRasterFormat(Jpeg()), &kJpegFormat);
  EXPECT_EQ(MatchRasterFormat(Jpeg(true)), &kJpegFormat);   // Exif
  const Bytes bare = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04};  // no application segment
  EXPECT_EQ(MatchRasterFormat(bare), &kJpegFormat);
  EXPECT_EQ(MatchRasterFormat(Png()), &kPngFormat);
  EXPECT_EQ(MatchRasterFormat(Gif()), &kGifFormat);
  EXPECT_EQ(MatchRasterFormat(Bmp(Dib(2, 2))), &kBmpFormat);
  const Bytes tiff = {'I', 'I', '*', 0, 8, 0, 0, 0};
  EXPECT_EQ(MatchRasterFormat(tiff)->extension, "tif");
  const Bytes letters_bm = {'B', 'M', 'x', 'y', 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4};
  EXPECT_EQ(MatchRasterFormat(letters_bm), nullptr);  // "BM" alone is no bitmap
  EXPECT_EQ(MatchRasterFormat(Dib(2, 2)), nullptr);   // DIBs are told by their record
}

TEST(PictureFormats, DamagedStructureEndsNoPicture) {
  Bytes png = Png();
  png[8 + 4 + 4 + 13 + 4 + 4] = 0x01;  // the type of the second chunk turned to noise
  EXPECT_FALSE(kPngFormat.measure(png));
  Bytes jpeg = Jpeg();
  jpeg[20] = 0x00;  // where a marker must be
  EXPECT_FALSE(kJpegFormat.measure(jpeg));
  Bytes dib = Dib(2, 2);
  StoreU16(dib.data() + 12, 0);  // no planes
  EXPECT_FALSE(kDibFormat.begins(dib));
}

TEST(PictureFormats, ADibsFileHeaderCountsItsTableAndPixels) {
  const Bytes rgb = Dib(3, 2);  // rows of 12 bytes
  ASSERT_EQ(rgb.size(), 40u + 24);
  auto header = BmpFileHeaderFor(rgb);
  EXPECT_EQ(header[0], 'B');
  EXPECT_EQ(header[1], 'M');
  EXPECT_EQ(LoadU32(header.data() + 2), 14u + 64);
  EXPECT_EQ(LoadU32(header.data() + 10), 54u);
  const Bytes indexed = Dib(5, 3, 8);
  header = BmpFileHeaderFor(indexed);
  EXPECT_EQ(LoadU32(header.data() + 10), 54u + 1024);
}

TEST(MetafileBlip, InflatesWhatTheHeaderNamesAndRefusesTheRest) {
  const Bytes emf = Emf();
  auto unpacked = UnpackMetafile(Joined(MetafileBlipData(emf), Filler(50)));
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(unpacked->bytes, emf);
  EXPECT_EQ(unpacked->stored_size, MetafileBlipData(emf).size());
  EXPECT_TRUE(kEmfFormat.has_valid_header(unpacked->bytes));
  EXPECT_FALSE(kWmfFormat.has_valid_header(unpacked->bytes));

  unpacked = UnpackMetafile(MetafileBlipData(Wmf(), false));
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(unpacked->bytes, Wmf());
  EXPECT_TRUE(kWmfFormat.has_valid_header(unpacked->bytes));

  Bytes broken = MetafileBlipData(emf);
  broken[40] ^= 0xFF;  // inside the deflated bytes
  EXPECT_FALSE(UnpackMetafile(broken));
  Bytes cut = MetafileBlipData(emf);
  cut.resize(cut.size() - 1);  // the stored size runs past the bytes
  EXPECT_FALSE(UnpackMetafile(cut));
  Bytes too_small = MetafileBlipData(emf);
  StoreU32(too_small.data(), 10);  // inflates to more than the header names
  EXPECT_FALSE(UnpackMetafile(too_small));
  Bytes filtered = MetafileBlipData(emf);
  filtered[33] = 0x01;  // no such filter
  EXPECT_FALSE(UnpackMetafile(filtered));
  Bytes boastful = MetafileBlipData(emf);
  StoreU32(boastful.data(), 200u << 20);  // more than its few stored bytes can inflate to
  EXPECT_FALSE(UnpackMetafile(boastful));
}

TEST(BlipLayout, InstanceGivesKindAndWhereThePictureStarts) {
  EXPECT_EQ(BlipLayoutOf(0x46A0)->data_offset, 25u);                 // one identifier and the tag
  EXPECT_EQ(BlipLayoutOf(0x46B0)->data_offset, 41u);                 // two identifiers
  EXPECT_EQ(BlipLayoutOf(0x6E40)->kind, BlipLayout::Kind::kRaster);  // TIFF
  EXPECT_EQ(BlipLayoutOf(0x7A90)->kind, BlipLayout::Kind::kDib);
  const auto wmf = BlipLayoutOf(0x2160);
  EXPECT_EQ(wmf->kind, BlipLayout::Kind::kMetafile);
  EXPECT_EQ(wmf->metafile, &kWmfFormat);
  EXPECT_EQ(wmf->data_offset, 24u);  // metafiles carry no tag
  EXPECT_EQ(BlipLayoutOf(0x3D50)->data_offset, 40u);
  EXPECT_EQ(BlipLayoutOf(0x5420)->metafile, &kPictFormat);
  for (uint16_t w : {0x46A1, 0x46C0, 0x0000, 0xF01D, 0x216F}) EXPECT_FALSE(BlipLayoutOf(w)) << w;
}

TEST(PictureAt, TheRecordsLengthOrThePicturesOwnEndWhicheverIsSound) {
  const Bytes png = Png();
  Bytes bytes = Filler(2000);
  const size_t data = PutBlip(bytes, 100, 0x6E00, png);
  auto at = [&](size_t offset) { return PictureAt(bytes, offset); };
  ASSERT_TRUE(at(100));
  EXPECT_EQ(Bytes(at(100)->in_source.begin(), at(100)->in_source.end()), png);
  EXPECT_EQ(at(100)->offset, 100u);
  EXPECT_EQ(at(100)->extension, "png");

  for (uint32_t wrong : {30u, 1500u, 0xFFFFFFF0u}) {  // short, into noise, past the end
    PutHeader(bytes, 100, 0x6E00, 0xF01E, wrong);
    const auto picture = at(100);
    ASSERT_TRUE(picture) << wrong;
    EXPECT_EQ(picture->in_source.data(), bytes.data() + data);
    EXPECT_EQ(picture->in_source.size(), png.size()) << wrong;
  }

  const Bytes dib = Dib(3, 3);
  PutBlip(bytes, 1000, 0x7A80, Joined(dib, {1, 2, 3, 4}));  // the record holds four more bytes
  const auto bitmap = at(1000);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->extension, "bmp");
  EXPECT_EQ(bitmap->in_source.size(), dib.size() + 4);
  EXPECT_EQ(bitmap->file_header.size(), 14u);
  EXPECT_FALSE(at(1001));
}

TEST(PictureAt, MetafilesComeInflatedAndADibNeedsItsInstance) {
  Bytes bytes = Filler(3000);
  PutBlip(bytes, 10, 0x3D40, MetafileBlipData(Emf()), 0, false);
  auto emf = PictureAt(bytes, 10);
  ASSERT_TRUE(emf);
  EXPECT_TRUE(emf->metafile);
  EXPECT_EQ(emf->extension, "emf");
  EXPECT_EQ(Bytes(emf->body().begin(), emf->body().end()), Emf());

  PutBlip(bytes, 1000, 0x2160, MetafileBlipData(Emf()), 0, false);  // an EMF in a WMF record
  EXPECT_FALSE(PictureAt(bytes, 1000));
  PutBlip(bytes, 2000, 0x6E00, Dib(2, 2));  // a DIB in a PNG record
  EXPECT_FALSE(PictureAt(bytes, 2000));
}

TEST(PictureLedger, HoldsOnlyTheSameBytesInTheSameFormat) {
  Bytes bytes = Filler(4000);
  PutBlip(bytes, 0, 0x6E00, Png());
  PutBlip(bytes, 500, 0x6E00, Png());
  Bytes other = Png();
  other[20] ^= 1;
  PutBlip(bytes, 1000, 0x6E00, other);
  PutBlip(bytes, 2000, 0x3D40, MetafileBlipData(Emf()), 0, false);
  PutBlip(bytes, 3000, 0x3D40, MetafileBlipData(Emf(), false), 0, false);  // stored, not deflated
  TempDir dir;
  auto saved = [&](uint64_t at, const std::string& name) {
    const FoundPicture picture = *PictureAt(bytes, at);
    return dir.Write(
        name, Joined(picture.file_header, Bytes(picture.body().begin(), picture.body().end())));
  };
  PictureLedger ledger;
  ledger.Keep(*PictureAt(bytes, 0), saved(0, "a.png"));
  EXPECT_TRUE(ledger.Holds(*PictureAt(bytes, 500)));
  EXPECT_FALSE(ledger.Holds(*PictureAt(bytes, 1000)));
  EXPECT_FALSE(ledger.Holds(*PictureAt(bytes, 2000)));
  ledger.Keep(*PictureAt(bytes, 2000), saved(2000, "b.emf"));
  EXPECT_TRUE(ledger.Holds(*PictureAt(bytes, 3000)));  // the same metafile

  // The comparison is with the saved file, byte for byte.
  const std::string path = saved(0, "c.png");
  PictureLedger changed;
  changed.Keep(*PictureAt(bytes, 0), path);
  dir.Write("c.png", other);
  EXPECT_FALSE(changed.Holds(*PictureAt(bytes, 500)));
}

struct Collected : PictureSearchEvents {
  std::vector<uint64_t> stretches, offsets;
  int allowed_candidates = 1 << 30;
  bool EnterStretch(uint64_t start) override {
    stretches.push_back(start);
    return true;
  }
  bool KeepGoing() override { return allowed_candidates-- > 0; }
  void Found(FoundPicture picture) override { offsets.push_back(picture.offset); }
};

TEST(SearchPictures, EveryPositionOfAnySourceIsSearchedUpToTheLastHeader) {
  const Bytes png = Png();
  for (size_t size : {png.size() + 25, size_t{100}, size_t{65536 + 200}}) {
    Bytes bytes = Filler(size);
    PutBlip(bytes, size - png.size() - 25, 0x6E00, png);  // a picture that ends the source
    Collected collected;
    EXPECT_TRUE(SearchPictures(bytes, collected));
    EXPECT_EQ(collected.offsets, (std::vector<uint64_t>{size - png.size() - 25})) << size;
  }
  Bytes bytes = Filler(3 * 65536);
  const std::vector<uint64_t> where = {0, 127, 320, 65536 - 3, 2 * 65536 - 1, 3 * 65536 - 200};
  for (uint64_t at : where) PutBlip(bytes, at, 0x46A0, Jpeg());
  Collected collected;
  EXPECT_TRUE(SearchPictures(bytes, collected));
  EXPECT_EQ(collected.offsets, where);
  EXPECT_EQ(collected.stretches, (std::vector<uint64_t>{0, 65536, 131072}));

  Collected none;
  EXPECT_TRUE(SearchPictures(Bytes(7, 0x60), none));
  EXPECT_TRUE(none.stretches.empty());
}

TEST(SearchPictures, RandomBytesHoldNoPictureAndAStopEndsTheSearch) {
  std::mt19937 random(7);
  Bytes bytes(1 << 20);
  for (auto& b : bytes) b = static_cast<unsigned char>(random());
  Collected collected;
  EXPECT_TRUE(SearchPictures(bytes, collected));
  EXPECT_TRUE(collected.offsets.empty());

  PutBlip(bytes, 5000, 0x46A0, Jpeg());
  Collected stopped;
  stopped.allowed_candidates = 0;
  EXPECT_FALSE(SearchPictures(bytes, stopped));
  EXPECT_TRUE(stopped.offsets.empty());
}

}  // namespace
}  // namespace vlx::testing
