#include "engine/rebuild/picture_mending.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/scan/pictures/png_mending.h"
#include "tests/rebuild/record_builder.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::Cat;
using testing::Record;

// ---- A small PNG writer and a strict reader, independent of the code under test ----

void PutBig(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}

void AddChunk(std::vector<uint8_t>& out, const std::string& type,
              const std::vector<uint8_t>& data) {
  PutBig(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  PutBig(out, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

struct Image {
  uint32_t width = 0, height = 0;
  uint8_t depth = 8, color = 2;
  std::vector<std::vector<uint8_t>> rows;  // unfiltered samples, one vector per row
  std::vector<uint8_t> palette, transparency;
};

size_t Channels(uint8_t color) {
  return color == 2 ? 3 : color == 4 ? 2 : color == 6 ? 4 : 1;
}

// An image of noisy content (so that it does not pack to nothing) in the given colour type.
Image Noisy(uint32_t width, uint32_t height, uint8_t color, uint32_t seed) {
  Image image{width, height, 8, color, {}, {}, {}};
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < height; ++y) {
    std::vector<uint8_t> row(width * Channels(color));
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = color == 3 ? static_cast<uint8_t>(random() % 16)
                          : static_cast<uint8_t>((i * 7 + y * 3 + random() % 24) & 0xFF);
    if (color == 2)  // never the colour a mender would pick first
      for (size_t i = 0; i + 2 < row.size(); i += 3)
        if (row[i] == 0 && row[i + 1] == 0 && row[i + 2] == 0) row[i] = 1;
    image.rows.push_back(row);
  }
  if (color == 3)
    for (int i = 0; i < 16; ++i)
      image.palette.insert(image.palette.end(), {uint8_t(i * 16), 40, 80});
  return image;
}

// Rows filtered with Sub, Up and Paeth in turn, the image data split into chunks of
// `chunk` bytes, an ancillary tEXt chunk before the data.
std::vector<uint8_t> Encode(const Image& image, size_t chunk = 1u << 20,
                            int strategy = Z_DEFAULT_STRATEGY) {
  const size_t bpp = Channels(image.color);
  std::vector<uint8_t> raw, prior(image.rows[0].size(), 0);
  for (size_t y = 0; y < image.rows.size(); ++y) {
    const auto& row = image.rows[y];
    const uint8_t filter = static_cast<uint8_t>(1 + y % 3 == 3 ? 4 : 1 + y % 3);
    raw.push_back(filter);
    for (size_t i = 0; i < row.size(); ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
      int predictor = filter == 1 ? a : filter == 2 ? b : 0;
      if (filter == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      raw.push_back(static_cast<uint8_t>(row[i] - predictor));
    }
    prior = row;
  }
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, 15, 8, strategy);
  std::vector<uint8_t> packed(deflateBound(&z, static_cast<uLong>(raw.size())));
  z.next_in = raw.data();
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig(header, image.width);
  PutBig(header, image.height);
  header.insert(header.end(), {image.depth, image.color, 0, 0, 0});
  AddChunk(png, "IHDR", header);
  AddChunk(png, "tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'});
  if (!image.palette.empty()) AddChunk(png, "PLTE", image.palette);
  if (!image.transparency.empty()) AddChunk(png, "tRNS", image.transparency);
  for (size_t at = 0; at < packed.size(); at += chunk)
    AddChunk(png, "IDAT",
             std::vector<uint8_t>(packed.begin() + at,
                                  packed.begin() + std::min(packed.size(), at + chunk)));
  AddChunk(png, "IEND", {});
  return png;
}

// Reads a PNG back, failing the test on any checksum, inflate or filter error.
std::optional<Image> Decode(const std::vector<uint8_t>& png,
                            std::map<std::string, int>* seen = nullptr) {
  Image image;
  std::vector<uint8_t> packed;
  size_t pos = 8;
  bool ended = false;
  while (pos + 12 <= png.size() && !ended) {
    const uint32_t length = LoadU32BigEndian(png.data() + pos);
    if (pos + 12 + length > png.size()) return std::nullopt;
    const std::string type(reinterpret_cast<const char*>(png.data() + pos + 4), 4);
    const std::vector<uint8_t> data(png.begin() + pos + 8, png.begin() + pos + 8 + length);
    if (crc32(0, png.data() + pos + 4, length + 4) !=
        LoadU32BigEndian(png.data() + pos + 8 + length))
      return std::nullopt;
    if (seen != nullptr) ++(*seen)[type];
    if (type == "IHDR") {
      image.width = LoadU32BigEndian(data.data());
      image.height = LoadU32BigEndian(data.data() + 4);
      image.depth = data[8];
      image.color = data[9];
    } else if (type == "PLTE") {
      image.palette = data;
    } else if (type == "tRNS") {
      image.transparency = data;
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data.begin(), data.end());
    }
    ended = type == "IEND";
    pos += 12 + length;
  }
  if (!ended || pos != png.size()) return std::nullopt;
  const size_t bpp = Channels(image.color), stride = image.width * bpp;
  std::vector<uint8_t> raw((stride + 1) * image.height);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      size != raw.size())
    return std::nullopt;
  std::vector<uint8_t> prior(stride, 0);
  for (uint32_t y = 0; y < image.height; ++y) {
    const uint8_t* in = raw.data() + y * (stride + 1);
    if (in[0] > 4) return std::nullopt;
    std::vector<uint8_t> row(stride);
    for (size_t i = 0; i < stride; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
      int predictor = in[0] == 1 ? a : in[0] == 2 ? b : in[0] == 3 ? (a + b) / 2 : 0;
      if (in[0] == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = static_cast<uint8_t>(in[1 + i] + predictor);
    }
    image.rows.push_back(row);
    prior = row;
  }
  return image;
}

// Overwrites the damage block `block` (counted in the stream the picture sits in at
// `phase`) with random bytes, as a damaged sector does.
void Damage(std::vector<uint8_t>& png, size_t phase, size_t block, uint32_t seed = 5) {
  std::mt19937 random(seed);
  const size_t from = block * kDamageBlock - phase;
  for (size_t i = from; i < from + kDamageBlock && i < png.size(); ++i)
    png[i] = static_cast<uint8_t>(random());
}

// Offset of the first byte of the image data.
size_t FirstImageData(const std::vector<uint8_t>& png) {
  for (size_t at = 8; at + 8 < png.size();) {
    if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0) return at + 8;
    at += 12 + LoadU32BigEndian(png.data() + at);
  }
  return png.size();
}

// Every kept row is the original's; the last `read_again` rows are the original's again, but
// for the first few (unfiltered over lost rows) and a few bytes copied from lost ones; every
// row between is one flat colour, the average of the last kept row (weighted by opacity
// where the picture has it); returns the number kept.
uint32_t ExpectKeptRowsThenFlat(const Image& original, const Image& mended,
                                uint32_t read_again = 0) {
  uint32_t kept = 0;
  while (kept < mended.height && mended.rows[kept] == original.rows[kept]) ++kept;
  if (kept == 0 || kept == mended.height) return kept;
  EXPECT_LE(read_again, mended.height - kept);
  read_again = std::min(read_again, mended.height - kept);
  // Read again, a row is nearer the original's than the flat fill is (of noisy rows, what the
  // filters predict for lost bytes is not much nearer; of smooth ones, see below).
  double off_read = 0, off_flat = 0;
  for (uint32_t y = mended.height - read_again; y < mended.height; ++y)
    for (size_t i = 0; i < original.rows[y].size(); ++i) {
      off_read += std::abs(int{mended.rows[y][i]} - int{original.rows[y][i]});
      off_flat += std::abs(int{mended.rows[kept][i]} - int{original.rows[y][i]});
    }
  if (read_again > 0) {
    EXPECT_LT(off_read, off_flat) << off_read << " against " << off_flat;
  }
  const size_t channels = Channels(mended.color);
  const auto& last = mended.rows[kept - 1];
  // The colour each lost pixel should have, in RGBA.
  auto rgba = [&](const std::vector<uint8_t>& row, size_t x) -> std::array<double, 4> {
    if (mended.color == 3) {
      const uint8_t i = row[x];
      const double alpha = i < mended.transparency.size() ? mended.transparency[i] : 255;
      return {double(mended.palette[3 * i]), double(mended.palette[3 * i + 1]),
              double(mended.palette[3 * i + 2]), alpha};
    }
    const uint8_t* p = row.data() + x * channels;
    return {double(p[0]), double(p[1]), double(p[2]), mended.color == 6 ? double(p[3]) : 255.0};
  };
  std::array<double, 4> sum{};
  double weight = 0;
  for (size_t x = 0; x < mended.width; ++x) {
    const auto c = rgba(last, x);
    for (int k = 0; k < 3; ++k) sum[k] += c[k] * c[3];
    sum[3] += c[3];
    weight += c[3];
  }
  for (uint32_t y = kept; y < mended.height - read_again; ++y) {
    EXPECT_EQ(mended.rows[y], mended.rows[kept]) << "row " << y << " is not flat";
    const auto c = rgba(mended.rows[y], 0);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k], sum[k] / weight, mended.color == 3 ? 24 : 1);
    EXPECT_NEAR(c[3], sum[3] / mended.width, 1);
  }
  return kept;
}

TEST(PngMending, ImageDataIsWholeOnlyWhenItsChecksumsHoldToTheEnd) {
  const auto whole = Encode(Noisy(40, 30, 2, 1));
  EXPECT_TRUE(PngImageDataWhole(whole));
  auto data = whole;
  data[FirstImageData(data) + 10] ^= 0x01;
  EXPECT_FALSE(PngImageDataWhole(data));
  auto text = whole;
  text[8 + 25 + 8 + 2] ^= 0xFF;  // an ancillary chunk only: the picture still decodes
  EXPECT_TRUE(PngImageDataWhole(text));
  auto cut = whole;
  cut.resize(cut.size() - 20);  // no IEND
  EXPECT_FALSE(PngImageDataWhole(cut));
  EXPECT_TRUE(PngImageDataWhole(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}));  // not a PNG
}

TEST(PngMending, AWholePictureIsLeftAlone) {
  const auto png = Encode(Noisy(40, 30, 2, 1));
  EXPECT_FALSE(MendDamagedPng(png, 0, png.size()));
}

TEST(PngMending, RgbKeepsTheRowsBeforeTheDamageAndDrawsTheRestFlat) {
  const Image original = Noisy(120, 160, 2, 2);
  for (size_t phase : {size_t{0}, size_t{17}, size_t{300}}) {
    auto png = Encode(original);
    const size_t data = FirstImageData(png);
    // A block about 60 % into the image data.
    const size_t block = (data + phase + (png.size() - data) * 6 / 10) / kDamageBlock;
    Damage(png, phase, block);
    const auto mended = MendDamagedPng(png, phase, png.size());
    ASSERT_TRUE(mended) << "phase " << phase;
    ASSERT_EQ(mended->bytes.size(), png.size());
    const auto image = Decode(mended->bytes);
    ASSERT_TRUE(image) << "phase " << phase;
    ASSERT_EQ(image->height, original.height);
    const uint32_t kept = ExpectKeptRowsThenFlat(original, *image, mended->rows_resumed);
    EXPECT_EQ(kept, mended->rows_kept);
    // Rows were lost only near the damage.
    EXPECT_GE(kept, original.height / 2) << "phase " << phase;
    EXPECT_LT(kept, original.height * 7 / 10) << "phase " << phase;
  }
}

// The picture damaged halfway, mended and read back; the test fails where either fails.
std::optional<std::pair<Image, MendedPng>> DamagedHalfwayAndMended(const Image& original) {
  auto png = Encode(original);
  Damage(png, 0, png.size() / 2 / kDamageBlock);
  auto mended = MendDamagedPng(png, 0, png.size());
  EXPECT_TRUE(mended);
  if (!mended) return std::nullopt;
  auto image = Decode(mended->bytes);
  EXPECT_TRUE(image);
  if (!image) return std::nullopt;
  return std::make_pair(std::move(*image), std::move(*mended));
}

TEST(PngMending, PaletteAndAlphaPicturesGetTheirOwnFlatColour) {
  const Image palette = Noisy(100, 120, 3, 3);
  const auto from_palette = DamagedHalfwayAndMended(palette);
  ASSERT_TRUE(from_palette);
  // The average colour is added after the sixteen colours.
  EXPECT_EQ(from_palette->first.palette.size(), 17u * 3);
  EXPECT_GT(ExpectKeptRowsThenFlat(palette, from_palette->first, from_palette->second.rows_resumed),
            0u);

  const Image alpha = Noisy(64, 100, 6, 4);
  const auto from_alpha = DamagedHalfwayAndMended(alpha);
  ASSERT_TRUE(from_alpha);
  EXPECT_EQ(ExpectKeptRowsThenFlat(alpha, from_alpha->first, from_alpha->second.rows_resumed),
            from_alpha->second.rows_kept);
  EXPECT_LT(from_alpha->second.rows_kept, alpha.height);
}

TEST(PngMending, ChunksBeforeADamagedOneAreKeptWhole) {
  // Image data in chunks of 600 bytes: damage in the fourth leaves the first three whole,
  // and the rows they gave are all kept.
  const Image original = Noisy(80, 200, 2, 6);
  auto png = Encode(original, 600);
  const size_t data = FirstImageData(png);
  const size_t fourth = data + 3 * (600 + 12);
  Damage(png, 0, fourth / kDamageBlock + 1);
  const auto mended = MendDamagedPng(png, 0, png.size());
  ASSERT_TRUE(mended);
  const auto image = Decode(mended->bytes);
  ASSERT_TRUE(image);
  // What the first three chunks inflate to, in whole rows.
  std::vector<uint8_t> packed;
  for (int i = 0; i < 3; ++i)
    packed.insert(packed.end(), png.begin() + data + i * 612, png.begin() + data + i * 612 + 600);
  z_stream z{};
  inflateInit(&z);
  std::vector<uint8_t> out(1 << 20);
  z.next_in = packed.data();
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  inflate(&z, Z_SYNC_FLUSH);
  const size_t clean_rows = z.total_out / (80 * 3 + 1);
  inflateEnd(&z);
  EXPECT_GE(ExpectKeptRowsThenFlat(original, *image, mended->rows_resumed), clean_rows);
}

// Image data packed without copies (Huffman codes only) holds nothing that refers to the lost
// bytes: from the first row after the damage that is filtered on its own (Sub, every third
// row here) every row comes back exactly, in its place.
TEST(PngMending, RowsAfterTheDamageComeBackExactlyWhereNothingCopiesLostBytes) {
  const Image original = Noisy(120, 160, 2, 12);
  for (size_t phase : {size_t{0}, size_t{211}}) {
    auto png = Encode(original, 1u << 20, Z_HUFFMAN_ONLY);
    const size_t data = FirstImageData(png);
    Damage(png, phase, (data + phase + (png.size() - data) * 4 / 10) / kDamageBlock);
    const auto mended = MendDamagedPng(png, phase, png.size());
    ASSERT_TRUE(mended) << "phase " << phase;
    const auto image = Decode(mended->bytes);
    ASSERT_TRUE(image) << "phase " << phase;
    ASSERT_GT(mended->rows_resumed, original.height / 3) << "phase " << phase;
    EXPECT_LT(mended->rows_kept + mended->rows_resumed, original.height);
    for (uint32_t y = original.height - mended->rows_resumed + 3; y < original.height; ++y)
      EXPECT_EQ(image->rows[y], original.rows[y]) << "row " << y << ", phase " << phase;
    EXPECT_EQ(ExpectKeptRowsThenFlat(original, *image, mended->rows_resumed), mended->rows_kept);
  }
}

TEST(PngMending, DamageOutsideTheImageDataKeepsEveryRow) {
  const Image original = Noisy(30, 20, 2, 7);
  auto png = Encode(original);
  png[8 + 25 + 8 + 2] ^= 0xFF;  // in the tEXt chunk's data
  const auto mended = MendDamagedPng(png, 0, png.size());
  ASSERT_TRUE(mended);
  std::map<std::string, int> chunks;
  const auto image = Decode(mended->bytes, &chunks);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->rows, original.rows);
  EXPECT_EQ(mended->rows_kept, original.height);
  EXPECT_EQ(chunks.count("tEXt"), 0u);  // the damaged chunk is dropped
}

TEST(PngMending, WhatCannotBeMendedIsLeftAlone) {
  const Image original = Noisy(120, 160, 2, 8);
  const auto whole = Encode(original);
  {
    auto png = whole;
    png[8 + 8 + 3] ^= 0x40;  // the header chunk: its size is no longer known to be right
    EXPECT_FALSE(MendDamagedPng(png, 0, png.size()));
  }
  {
    auto png = whole;
    Damage(png, 0, FirstImageData(png) / kDamageBlock);  // nothing of the rows is left
    EXPECT_FALSE(MendDamagedPng(png, 0, png.size()));
  }
  {
    auto png = whole;
    Damage(png, 0, png.size() * 9 / 10 / kDamageBlock);
    EXPECT_FALSE(MendDamagedPng(png, 0, 200));  // no room for the mended picture
  }
}

// ---- The pictures stream: damaged PNG pictures mended in place ----

std::vector<uint8_t> Entry(const std::vector<uint8_t>& record, uint8_t mark, uint32_t delay) {
  std::vector<uint8_t> body = Cat({{6, 6}, testing::Filled(16, mark), {0, 0}});
  AppendU32(body, static_cast<uint32_t>(record.size()));
  AppendU32(body, 1);
  AppendU32(body, delay);
  body.resize(36, 0);
  return Record(0x0062, kTypeBlipStoreEntry, body);
}

// A Document stream whose blip store holds the given entries.
std::vector<uint8_t> DocumentNaming(const std::vector<uint8_t>& entries, uint16_t count) {
  const auto store = Record(static_cast<uint16_t>(count << 4 | 0x0F), kTypeBlipStore, entries);
  return Record(0x0F, kTypeDocument,
                Record(0x0F, kTypeDrawingGroup, Record(0x0F, kTypeDrawingGroupContainer, store)));
}

TEST(PictureMending, DamagedPngPicturesAreMendedInPlaceAndTheRestCopied) {
  testing::TempDir dir;
  const Image first = Noisy(90, 120, 2, 9), second = Noisy(40, 40, 2, 10);
  const auto blip = [](uint8_t mark, const std::vector<uint8_t>& png) {
    return Record(0x6E00, 0xF01E, Cat({testing::Filled(16, mark), {0xFF}, png}));
  };
  auto damaged = blip(0xA1, Encode(first));
  Damage(damaged, 0, damaged.size() / 2 / kDamageBlock);
  const auto whole = blip(0xB2, Encode(second));
  const auto stream = Cat({damaged, whole});
  const std::string pictures_path = dir.Write("pictures", stream);
  const auto document = DocumentNaming(
      Cat({Entry(damaged, 0xA1, 0), Entry(whole, 0xB2, static_cast<uint32_t>(damaged.size()))}), 2);

  auto pictures = DamagedFile::Open(pictures_path);
  ASSERT_TRUE(pictures);
  const std::string target = dir.File("mended");
  std::string error;
  const auto mending = MendDamagedPictures(document, *pictures, target, &error);
  ASSERT_TRUE(mending) << error;
  EXPECT_EQ(mending->mended, 1u);
  EXPECT_EQ(mending->rows, first.height);
  const auto out = testing::ReadAll(target);
  ASSERT_EQ(out.size(), stream.size());
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 25, damaged.begin()));  // header and id
  EXPECT_TRUE(std::equal(whole.begin(), whole.end(), out.begin() + damaged.size()));
  const auto image = Decode(std::vector<uint8_t>(out.begin() + 25, out.begin() + damaged.size()));
  ASSERT_TRUE(image);
  EXPECT_EQ(ExpectKeptRowsThenFlat(first, *image, static_cast<uint32_t>(mending->rows_resumed)),
            mending->rows_kept);

  // Nothing damaged: nothing is written.
  const std::string clean_path = dir.Write("clean", whole);
  auto clean = DamagedFile::Open(clean_path);
  const auto only_whole = DocumentNaming(Entry(whole, 0xB2, 0), 1);
  EXPECT_FALSE(MendDamagedPictures(only_whole, *clean, dir.File("none"), &error));
  EXPECT_TRUE(error.empty());
}

TEST(PictureMending, DamagedFirstBytesOfAPictureRecordComeBackFromItsEntry) {
  testing::TempDir dir;
  const auto png = Record(0x6E00, 0xF01E,
                          Cat({testing::Filled(16, 0xC3), {0xFF}, Encode(Noisy(20, 20, 2, 11))}));
  const auto jpeg = Record(0x46A0, 0xF01D,
                           Cat({testing::Filled(16, 0xD4),
                                {0xFF},
                                {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0},
                                testing::Filled(300, 0x55),
                                {0xFF, 0xD9}}));
  auto damaged_png = png, damaged_jpeg = jpeg;
  std::fill_n(damaged_png.begin(), 28, uint8_t{0x3C});   // header, id, tag, most of the signature
  std::fill_n(damaged_jpeg.begin(), 27, uint8_t{0x3C});  // header, id, tag, start of image
  const std::string path = dir.Write("pictures", Cat({damaged_png, damaged_jpeg}));
  std::vector<uint8_t> jpeg_entry = Entry(jpeg, 0xD4, static_cast<uint32_t>(png.size()));
  jpeg_entry[8] = jpeg_entry[9] = 5;  // a JPEG entry
  const auto document = DocumentNaming(Cat({Entry(png, 0xC3, 0), jpeg_entry}), 2);
  auto pictures = DamagedFile::Open(path);
  ASSERT_TRUE(pictures);
  std::string error;
  const auto mending = MendDamagedPictures(document, *pictures, dir.File("restored"), &error);
  ASSERT_TRUE(mending) << error;
  EXPECT_EQ(mending->headers_restored, 2u);
  EXPECT_EQ(mending->mended, 1u);  // the signature, nothing of its rows
  EXPECT_EQ(mending->rows_kept, mending->rows);
  EXPECT_EQ(testing::ReadAll(dir.File("restored")), Cat({png, jpeg}));

  // An entry whose offset holds another, whole picture record leaves that record alone.
  const auto other =
      Record(0x6E00, 0xF01E, Cat({testing::Filled(16, 0xE5), {0xFF}, Encode(Noisy(9, 9, 2, 12))}));
  const std::string other_path = dir.Write("other", Cat({other, testing::Filled(png.size(), 0)}));
  auto others = DamagedFile::Open(other_path);
  const auto naming_it = DocumentNaming(Entry(png, 0xC3, 0), 1);
  EXPECT_FALSE(MendDamagedPictures(naming_it, *others, dir.File("untouched"), &error));
}

}  // namespace
}  // namespace vlx
