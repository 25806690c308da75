#include "automation/imaging/qt_image_toolkit.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "automation/imaging/bitmap_image.h"
#include "automation/imaging/thumbnail_layout.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::TempDir;

constexpr uint32_t kSilver = QtImageToolkit::kCanvasColour;
constexpr uint32_t kBlack = QtImageToolkit::kFrameColour;

QImage Solid(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Every pixel different, so that a wrong source region cannot go unseen.
QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 90));
  return image;
}

std::string Save(const TempDir& dir, const QImage& image, const std::string& name,
                 const char* format) {
  const std::string path = dir.File(name);
  EXPECT_TRUE(image.save(QString::fromStdString(path), format)) << name;
  return path;
}

TEST(MakeThumbnail, FourByThreeSlideIsCentredInItsFrame) {
  TempDir dir;
  const std::string path = Save(dir, Solid(400, 300, Qt::green), "slide.png", "PNG");
  QtImageToolkit images;
  const auto thumb = images.MakeThumbnail(path, 170, 120);
  ASSERT_TRUE(thumb);
  ASSERT_EQ(thumb->width, 170);
  ASSERT_EQ(thumb->height, 120);
  const uint32_t green = 0xFF00FF00;
  // 152 x 114 at (9, 3): its corners and just outside them.
  EXPECT_EQ(thumb->at(9, 3), green);
  EXPECT_EQ(thumb->at(160, 116), green);
  EXPECT_EQ(thumb->at(8, 60), kSilver);
  EXPECT_EQ(thumb->at(161, 60), kSilver);
  EXPECT_EQ(thumb->at(60, 2), kSilver);
  EXPECT_EQ(thumb->at(60, 117), kSilver);
  // The frame.
  for (int x : {0, 85, 169}) {
    EXPECT_EQ(thumb->at(x, 0), kBlack);
    EXPECT_EQ(thumb->at(x, 119), kBlack);
  }
  for (int y : {0, 60, 119}) {
    EXPECT_EQ(thumb->at(0, y), kBlack);
    EXPECT_EQ(thumb->at(169, y), kBlack);
  }
}

// Marks each corner of a picture with its own colour.
QImage CornerMarked(int width, int height) {
  QImage image = Solid(width, height, Qt::white);
  QPainter p(&image);
  const int s = std::max(2, std::min(width, height) / 5);
  p.fillRect(0, 0, s, s, Qt::red);
  p.fillRect(width - s, 0, s, s, Qt::blue);
  p.fillRect(0, height - s, s, s, Qt::black);
  p.fillRect(width - s, height - s, s, s, QColor(0, 160, 0));
  return image;
}

TEST(MakeThumbnail, NothingOfAWideOrTallPictureIsCutOff) {
  TempDir dir;
  QtImageToolkit images;
  auto near = [](uint32_t pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) < 60 &&
           std::abs(qGreen(pixel) - colour.green()) < 60 &&
           std::abs(qBlue(pixel) - colour.blue()) < 60;
  };
  struct Case {
    int width, height, box_width, box_height;
  };
  // A large JPEG is decoded at a fraction of its size: its thumbnail keeps every corner
  // too, and looks as the one made from all its pixels does.
  for (const Case c :
       {Case{1600, 400, 170, 120}, Case{400, 1600, 170, 120}, Case{1600, 400, 100, 100},
        Case{500, 900, 100, 100}, Case{960, 720, 170, 120}})
    for (const char* format : {"PNG", "JPG"}) {
      const std::string path =
          Save(dir, CornerMarked(c.width, c.height), std::string("corners.") + format, format);
      const auto thumb = images.MakeThumbnail(path, c.box_width, c.box_height);
      ASSERT_TRUE(thumb);
      if (format == std::string("JPG")) {
        const auto whole = images.MakeThumbnail(dir.File("corners.PNG"), c.box_width, c.box_height);
        ASSERT_TRUE(whole);
        double difference = 0;
        for (int y = 0; y < c.box_height; ++y)
          for (int x = 0; x < c.box_width; ++x) {
            const uint32_t a = thumb->at(x, y);
            const uint32_t b = whole->at(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
          }
        EXPECT_LT(difference / (3.0 * c.box_width * c.box_height), 4.0)
            << c.width << "x" << c.height;
      }
      const ThumbnailLayout place = LayOutThumbnail(c.width, c.height, c.box_width, c.box_height);
      const int right = place.x + place.width - 1;
      const int bottom = place.y + place.height - 1;
      const std::string shape = std::to_string(c.width) + "x" + std::to_string(c.height);
      EXPECT_TRUE(near(thumb->at(place.x, place.y), Qt::red)) << shape;
      EXPECT_TRUE(near(thumb->at(right, place.y), Qt::blue)) << shape;
      EXPECT_TRUE(near(thumb->at(place.x, bottom), Qt::black)) << shape;
      EXPECT_TRUE(near(thumb->at(right, bottom), QColor(0, 160, 0))) << shape;
      // Beside the picture, the canvas.
      if (place.x > kThumbnailMargin) {
        EXPECT_EQ(thumb->at(place.x - 1, place.y), kSilver) << shape;
      }
      if (place.y > kThumbnailMargin) {
        EXPECT_EQ(thumb->at(place.x, place.y - 1), kSilver) << shape;
      }
    }
}

TEST(MakeThumbnail, ReadsTheCommonPictureFormats) {
  TempDir dir;
  QtImageToolkit images;
  const QImage picture = Gradient(60, 45);
  std::vector<std::pair<std::string, const char*>> formats = {
      {"p.bmp", "BMP"}, {"p.png", "PNG"}, {"p.jpg", "JPG"}, {"p.gif", "GIF"}};
  if (QImageWriter::supportedImageFormats().contains("tiff")) formats.push_back({"p.tif", "TIFF"});
  for (const auto& [name, format] : formats) {
    if (!QImageWriter::supportedImageFormats().contains(QByteArray(format).toLower())) continue;
    const std::string path = Save(dir, picture, name, format);
    EXPECT_TRUE(images.MakeThumbnail(path, 100, 100)) << name;
  }
  // The name does not decide: a JPEG saved without an extension still loads.
  std::filesystem::rename(dir.File("p.jpg"), dir.File("noext"));
  EXPECT_TRUE(images.MakeThumbnail(dir.File("noext"), 170, 120));
}

TEST(MakeThumbnail, GivesNothingForWhatIsNotAPicture) {
  TempDir dir;
  QtImageToolkit images;
  EXPECT_FALSE(images.MakeThumbnail(dir.File("missing.JPG"), 170, 120));
  EXPECT_FALSE(images.MakeThumbnail(dir.path(), 170, 120));
  const std::string junk = dir.Write("junk.JPG", {0x00, 0x11, 0x22, 0x33, 0x44});
  EXPECT_FALSE(images.MakeThumbnail(junk, 170, 120));
  const std::string metafile = dir.Write("pic.wmf", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(images.MakeThumbnail(metafile, 100, 100));
}

TEST(ConvertToJpeg, WritesAJpegOnWhiteForTransparentPictures) {
  TempDir dir;
  QImage picture(32, 32, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  const std::string png = Save(dir, picture, "clear.png", "PNG");
  QtImageToolkit images;
  ASSERT_TRUE(images.ConvertToJpeg(png, dir.File("out.Jpg")));
  QImage jpeg;
  ASSERT_TRUE(jpeg.load(QString::fromStdString(dir.File("out.Jpg")), "JPG"));
  EXPECT_GT(qGray(jpeg.pixel(16, 16)), 240);
}

TEST(ConvertToJpeg, FailsCleanlyForMetafilesAndLeavesNoFile) {
  TempDir dir;
  const std::string emf = dir.Write("pic.emf", {0x01, 0, 0, 0, 0x6C, 0, 0, 0, 0, 0, 0, 0});
  QtImageToolkit images;
  EXPECT_FALSE(images.ConvertToJpeg(emf, dir.File("out.Jpg")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.Jpg")));
  const std::string png = Save(dir, Solid(8, 8, Qt::blue), "ok.png", "PNG");
  EXPECT_FALSE(images.ConvertToJpeg(png, dir.File("no-such-folder/out.Jpg")));
}

// The picture kept from Decodes serves only a file of the very same bytes, once.
TEST(ConvertToJpeg, ConvertsTheFilesOwnPictureWhateverWasDecodedBefore) {
  TempDir dir;
  QtImageToolkit images;
  auto file_bytes = [](const std::string& path) {
    const auto bytes = testing::ReadAll(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  };
  auto converted_colour = [&](const std::string& source) {
    EXPECT_TRUE(images.ConvertToJpeg(source, dir.File("out.Jpg")));
    QImage jpeg;
    EXPECT_TRUE(jpeg.load(QString::fromStdString(dir.File("out.Jpg")), "JPG"));
    return jpeg.isNull() ? QColor() : jpeg.pixelColor(4, 4);
  };
  const std::string red = Save(dir, Solid(8, 8, Qt::red), "red.bmp", "BMP");
  const std::string blue = Save(dir, Solid(8, 8, Qt::blue), "blue.png", "PNG");
  const std::string same_size = Save(dir, Solid(8, 8, Qt::green), "green.bmp", "BMP");
  ASSERT_TRUE(images.Decodes(file_bytes(red)));
  EXPECT_GT(converted_colour(red).red(), 200);
  ASSERT_TRUE(images.Decodes(file_bytes(red)));
  EXPECT_GT(converted_colour(blue).blue(), 200);
  // A file of the same size but other bytes is not taken for the one decoded.
  ASSERT_EQ(std::filesystem::file_size(red), std::filesystem::file_size(same_size));
  ASSERT_TRUE(images.Decodes(file_bytes(red)));
  EXPECT_GT(converted_colour(same_size).green(), 100);
  EXPECT_LT(converted_colour(same_size).red(), 60);
}

// The thumbnail made without the JPEG copy looks as the one made through it does: the
// same place in the frame, transparency on white, the same colours.
TEST(MakeThumbnailAsJpeg, LooksAsTheThumbnailOfTheWrittenCopyDoes) {
  TempDir dir;
  QtImageToolkit images;
  QImage half_clear = Gradient(300, 120).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 120; ++y)
    for (int x = 150; x < 300; ++x) half_clear.setPixel(x, y, qRgba(0, 0, 0, 0));
  const std::string jpeg = dir.File("copy.Jpg");
  for (const auto& [name, picture] :
       {std::pair{"wide.png", Gradient(640, 200)}, std::pair{"tall.png", Gradient(90, 400)},
        std::pair{"half_clear.png", half_clear}}) {
    const std::string path = Save(dir, picture, name, "PNG");
    const auto direct = images.MakeThumbnailAsJpeg(path, jpeg, 100, 100);
    EXPECT_FALSE(std::filesystem::exists(jpeg)) << name;
    const auto through_copy = images.ImageToolkit::MakeThumbnailAsJpeg(path, jpeg, 100, 100);
    EXPECT_FALSE(std::filesystem::exists(jpeg)) << name;
    ASSERT_TRUE(direct && through_copy) << name;
    ASSERT_EQ(direct->width, 100);
    ASSERT_EQ(direct->height, 100);
    double difference = 0;
    for (size_t i = 0; i < direct->pixels.size(); ++i) {
      const uint32_t a = direct->pixels[i], b = through_copy->pixels[i];
      difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                    std::abs(qBlue(a) - qBlue(b));
    }
    EXPECT_LT(difference / (3.0 * 100 * 100), 2.0) << name;
  }
  const std::string broken = dir.Write("broken.png", {0x89, 'P', 'N', 'G', 0, 1, 2});
  EXPECT_FALSE(images.MakeThumbnailAsJpeg(broken, jpeg, 100, 100));
}

TEST(SaveJpeg, WritesABitmapThatLoadsBack) {
  TempDir dir;
  QtImageToolkit images;
  const Bitmap bitmap = ToBitmap(Solid(170, 120, QColor(40, 110, 190)));
  ASSERT_TRUE(images.SaveJpeg(bitmap, dir.File("b.jpg")));
  QImage back;
  ASSERT_TRUE(back.load(QString::fromStdString(dir.File("b.jpg"))));
  EXPECT_EQ(back.size(), QSize(170, 120));
  EXPECT_NEAR(qBlue(back.pixel(80, 60)), 190, 6);
  EXPECT_FALSE(images.SaveJpeg(Bitmap{}, dir.File("empty.jpg")));
  Bitmap short_pixels{4, 4, {0xFF000000}};
  EXPECT_FALSE(images.SaveJpeg(short_pixels, dir.File("short.jpg")));
}

size_t DistinctColours(const Bitmap& bitmap) {
  return std::set<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end()).size();
}

TEST(StockPictures, HaveTheirSizesAreOpaqueAndAreNotPlainBoxes) {
  QtImageToolkit images;
  const Bitmap stock = images.StockBitmap();
  EXPECT_EQ(stock.width, 350);
  EXPECT_EQ(stock.height, 350);
  const Bitmap placeholder = images.PlaceholderBitmap();
  EXPECT_EQ(placeholder.width, 170);
  EXPECT_EQ(placeholder.height, 120);
  for (const Bitmap* b : {&stock, &placeholder}) {
    for (uint32_t p : b->pixels) ASSERT_EQ(p >> 24, 0xFFu);
    EXPECT_GT(DistinctColours(*b), 20u);
  }
}

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(QtImageToolkitDecodes, WholePicturesButNotACutPngOrForeignBytes) {
  QtImageToolkit images;
  for (const char* format : {"PNG", "JPG", "BMP"}) {
    const std::vector<uint8_t> bytes = Encoded(Gradient(40, 30), format);
    EXPECT_TRUE(images.Decodes(bytes)) << format;
  }
  // The JPEG and BMP readers fill in missing pixels; a PNG cut short is refused.
  const std::vector<uint8_t> png = Encoded(Gradient(40, 30), "PNG");
  EXPECT_FALSE(images.Decodes(std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 3)));
  const std::vector<uint8_t> text = {'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
  EXPECT_FALSE(images.Decodes(text));
  EXPECT_FALSE(images.Decodes({}));
}

// A large JPEG is checked at a fraction of its size: it is accepted and refused as a
// whole decode accepts and refuses it, its thumbnail looks as one made from the whole
// picture does, and a conversion after the check still gets every pixel.
TEST(QtImageToolkitDecodes, LargeJpegsAsAWholeDecodeTellsAndConvertedWhole) {
  TempDir dir;
  QtImageToolkit images;
  const std::vector<uint8_t> jpeg = Encoded(Gradient(1200, 700), "JPG");
  const auto whole_decode = [](const std::vector<uint8_t>& bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QImage image;
    return image.loadFromData(data, "JPG");
  };
  std::vector<std::vector<uint8_t>> variants = {jpeg};
  for (size_t cut : {size_t{2}, size_t{100}, jpeg.size() / 2, jpeg.size() - 2})
    variants.emplace_back(jpeg.begin(), jpeg.begin() + static_cast<ptrdiff_t>(cut));
  std::vector<uint8_t> noisy = jpeg;
  std::fill(noisy.begin() + static_cast<ptrdiff_t>(jpeg.size() / 3),
            noisy.begin() + static_cast<ptrdiff_t>(jpeg.size() / 3 + 512), 0x5A);
  variants.push_back(noisy);
  for (size_t i = 0; i < variants.size(); ++i)
    EXPECT_EQ(images.Decodes(variants[i]), whole_decode(variants[i])) << "variant " << i;

  const std::string path =
      dir.Write("large.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.end()));
  const std::string copy = dir.File("copy.Jpg");
  ASSERT_TRUE(images.Decodes(jpeg));
  const auto checked = images.MakeThumbnailAsJpeg(path, copy, 100, 100);
  const auto unchecked = images.MakeThumbnailAsJpeg(path, copy, 100, 100);  // read anew
  ASSERT_TRUE(checked && unchecked);
  double difference = 0;
  for (size_t i = 0; i < checked->pixels.size(); ++i) {
    const uint32_t a = checked->pixels[i], b = unchecked->pixels[i];
    difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                  std::abs(qBlue(a) - qBlue(b));
  }
  EXPECT_LT(difference / (3.0 * 100 * 100), 2.0);

  ASSERT_TRUE(images.Decodes(jpeg));
  ASSERT_TRUE(images.ConvertToJpeg(path, copy));
  QImage converted;
  ASSERT_TRUE(converted.load(QString::fromStdString(copy), "JPG"));
  EXPECT_EQ(converted.size(), QSize(1200, 700));
}

TEST(QtImageToolkitPlaceholder, NamesThePictureInsideTheFramedCanvasWithoutAnApplication) {
  QtImageToolkit images;
  const Bitmap a = images.LabelledPlaceholder("WMF picture", 100, 100);
  const Bitmap b = images.LabelledPlaceholder("EMF picture", 100, 100);
  ASSERT_EQ(a.width, 100);
  ASSERT_EQ(a.height, 100);
  EXPECT_EQ(a.at(0, 0), kBlack);
  EXPECT_EQ(a.at(99, 50), kBlack);
  EXPECT_EQ(a.at(3, 3), kSilver);
  size_t ink = 0;
  for (int y = 2; y < 98; ++y)
    for (int x = 2; x < 98; ++x) ink += a.at(x, y) == kBlack;
  EXPECT_GT(ink, 100u) << "the label is drawn";
  EXPECT_NE(a.pixels, b.pixels) << "different labels look different";
  EXPECT_TRUE(images.LabelledPlaceholder("x", 0, 10).empty());
}

}  // namespace
}  // namespace vlx
