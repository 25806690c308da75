#include "automation/imaging/qt_image_toolkit.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QPainter>
#include <QString>
#include <algorithm>

#include "automation/imaging/bitmap_image.h"
#include "automation/imaging/pixel_text.h"
#include "automation/imaging/stock_pictures.h"
#include "automation/imaging/thumbnail_layout.h"
#include "engine/scan/pictures/png_mending.h"

namespace vlx {

namespace {

// The longest side a large JPEG is decoded to when it is checked: twice and more the
// thumbnails made of it.
constexpr int kReducedJpegSide = 256;

QString FromPath(const std::string& path) {
  return QString::fromStdString(path);
}

QImage Load(const std::string& path) {
  QImageReader reader(FromPath(path));
  reader.setDecideFormatFromContent(true);
  return reader.read();
}

void DrawFrame(QImage& canvas) {
  const QColor frame = QColor::fromRgba(QtImageToolkit::kFrameColour);
  QPainter p(&canvas);
  const int w = canvas.width();
  const int h = canvas.height();
  p.fillRect(0, 0, w, 1, frame);
  p.fillRect(0, h - 1, w, 1, frame);
  p.fillRect(0, 0, 1, h, frame);
  p.fillRect(w - 1, 0, 1, h, frame);
}

// A picture's pixels on white, for formats without transparency.
QImage Flattened(const QImage& picture) {
  QImage flat(picture.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter p(&flat);
  p.drawImage(0, 0, picture);
  return flat;
}

// The width x height framed canvas with picture scaled into its place.
Bitmap Framed(const QImage& picture, const ThumbnailLayout& layout, int width, int height) {
  QImage canvas(width, height, QImage::Format_ARGB32);
  canvas.fill(QColor::fromRgba(QtImageToolkit::kCanvasColour));
  DrawFrame(canvas);
  if (!layout.empty()) {
    QPainter p(&canvas);
    p.drawImage(QPoint(layout.x, layout.y),
                picture.scaled(layout.width, layout.height, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation));
  }
  return ToBitmap(canvas);
}

bool WriteJpeg(const QImage& image, const std::string& jpeg_path) {
  if (image.isNull()) return false;
  if (Flattened(image).save(FromPath(jpeg_path), "JPG", QtImageToolkit::kJpegQuality)) return true;
  QFile::remove(FromPath(jpeg_path));  // no half-written file is left behind
  return false;
}

}  // namespace

std::optional<Bitmap> QtImageToolkit::MakeThumbnail(const std::string& image_path, int width,
                                                    int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  QImageReader reader(FromPath(image_path));
  reader.setDecideFormatFromContent(true);
  // The layout comes from the picture's own size. A JPEG much larger than its place in
  // the box (a slide exported at screen size) is decoded at a fraction of its size, twice
  // the drawn size at least, which the decoder does at a fraction of the cost; the smooth
  // scaling below still has pixels to average.
  const QSize full = reader.size();
  ThumbnailLayout layout;
  if (full.isValid() && !full.isEmpty()) {
    layout = LayOutThumbnail(full.width(), full.height(), width, height);
    if (reader.format() == "jpeg" && !layout.empty() && full.width() > 2 * layout.width &&
        full.height() > 2 * layout.height)
      reader.setScaledSize(QSize(2 * layout.width, 2 * layout.height));
  }
  const QImage picture = reader.read();
  if (picture.isNull()) return std::nullopt;
  if (!full.isValid() || full.isEmpty())
    layout = LayOutThumbnail(picture.width(), picture.height(), width, height);
  return Framed(picture, layout, width, height);
}

std::optional<Bitmap> QtImageToolkit::MakeThumbnailAsJpeg(const std::string& source_path,
                                                          const std::string& /*jpeg_path*/,
                                                          int width, int height) {
  // The copy would hold the picture's pixels on white; the thumbnail is made from those
  // pixels at once (what the copy's compression changes does not show at this size).
  if (width <= 0 || height <= 0) return std::nullopt;
  const QImage picture = TakeDecoded(source_path, true);
  if (picture.isNull()) return std::nullopt;
  const QImage flat = Flattened(picture);
  return Framed(flat, LayOutThumbnail(flat.width(), flat.height(), width, height), width, height);
}

QImage QtImageToolkit::TakeDecoded(const std::string& source_path, bool reduced_will_do) {
  QImage picture;
  {
    std::lock_guard<std::mutex> lock(decoded_mutex_);
    if (!decoded_.isNull()) {
      QFile file(FromPath(source_path));
      if ((reduced_will_do || !decoded_reduced_) && file.open(QIODevice::ReadOnly) &&
          file.size() == static_cast<qint64>(decoded_bytes_.size())) {
        const QByteArray bytes = file.readAll();
        if (std::equal(bytes.begin(), bytes.end(), decoded_bytes_.begin(),
                       [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
          picture = decoded_;
      }
      decoded_ = QImage();
      decoded_bytes_.clear();
    }
  }
  return picture.isNull() ? Load(source_path) : picture;
}

bool QtImageToolkit::ConvertToJpeg(const std::string& source_path, const std::string& jpeg_path) {
  return WriteJpeg(TakeDecoded(source_path, false), jpeg_path);
}

QtImageToolkit::QtImageToolkit() {
  static const bool quiet = [] {
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.gui.imageio.jpeg.warning=false\nqt.gui.imageio.info=false"));
    return true;
  }();
  (void)quiet;
}

bool QtImageToolkit::SaveJpeg(const Bitmap& bitmap, const std::string& jpeg_path) {
  return WriteJpeg(ToImage(bitmap), jpeg_path);
}

bool QtImageToolkit::Decodes(std::span<const uint8_t> picture_file) {
  if (picture_file.empty()) return false;
  // A PNG whose chunks are broken or whose image data fails its checksum is damaged: it is
  // refused before the PNG decoder, which would tell the console so, sees it.
  if (!PngImageDataWhole(picture_file)) return false;
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(picture_file.data()),
                                             static_cast<qsizetype>(picture_file.size()));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return false;
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  // A large JPEG is decoded at a fraction of its size: the decoder still reads all of its
  // data, so damage fails it the same, at a fraction of the cost, and the thumbnail made
  // of it next needs no more pixels.
  const QSize full = reader.size();
  bool reduced = false;
  if (reader.format() == "jpeg" && full.isValid() &&
      std::max(full.width(), full.height()) > kReducedJpegSide) {
    reader.setScaledSize(full.scaled(kReducedJpegSide, kReducedJpegSide, Qt::KeepAspectRatio));
    reduced = true;
  }
  QImage picture = reader.read();
  if (picture.isNull()) return false;
  std::lock_guard<std::mutex> lock(decoded_mutex_);
  decoded_bytes_.assign(picture_file.begin(), picture_file.end());
  decoded_ = std::move(picture);
  decoded_reduced_ = reduced;
  return true;
}

Bitmap QtImageToolkit::LabelledPlaceholder(const std::string& label, int width, int height) {
  if (width <= 0 || height <= 0) return Bitmap{};
  QImage canvas(width, height, QImage::Format_ARGB32);
  canvas.fill(QColor::fromRgba(kCanvasColour));
  DrawFrame(canvas);
  DrawPixelText(canvas, label, QColor::fromRgba(kFrameColour));
  return ToBitmap(canvas);
}

Bitmap QtImageToolkit::StockBitmap() {
  return ToBitmap(StockSlidePicture());
}

Bitmap QtImageToolkit::PlaceholderBitmap() {
  return ToBitmap(PlaceholderPicture());
}

}  // namespace vlx
