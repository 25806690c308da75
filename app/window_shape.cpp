#include "app/window_shape.h"

#include <QBitmap>

namespace vlx::app {

QRegion ShapeWithoutKeyColour(const QImage& picture, QRgb key) {
  // A bitmap's set bits (colour1) are the black pixels of the image it is made from, and
  // a region made from a bitmap holds its set bits: paint what stays black, the key white.
  QImage kept(picture.size(), QImage::Format_RGB32);
  const QImage source = picture.convertToFormat(QImage::Format_RGB32);
  const QRgb opaque_key = key | 0xff000000u;
  for (int y = 0; y < source.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(kept.scanLine(y));
    for (int x = 0; x < source.width(); ++x) {
      out[x] = (in[x] | 0xff000000u) == opaque_key ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
  }
  return QRegion(QBitmap::fromImage(kept, Qt::MonoOnly | Qt::ThresholdDither));
}

}  // namespace vlx::app
