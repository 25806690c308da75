#include "app/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

namespace vlx::app {
namespace {

const QColor kInk(0x1f, 0x3a, 0x5f);
const QColor kAccent(0xd2, 0x5a, 0x1e);
const QColor kSky(0xe8, 0xf1, 0xfb);

// A slide with a title bar and three text lines, the motif of the program's pictures.
void DrawSlide(QPainter& p, const QRectF& r, const QColor& accent) {
  p.save();
  p.setPen(QPen(QColor(0, 0, 0, 60), r.width() / 60.0));
  p.setBrush(Qt::white);
  p.drawRoundedRect(r, r.width() / 30.0, r.width() / 30.0);
  const QRectF title(r.left() + r.width() * 0.1, r.top() + r.height() * 0.12, r.width() * 0.8,
                     r.height() * 0.16);
  p.setPen(Qt::NoPen);
  p.setBrush(accent);
  p.drawRoundedRect(title, 3, 3);
  p.setBrush(QColor(0x9a, 0xae, 0xc4));
  for (int i = 0; i < 3; ++i) {
    const double y = r.top() + r.height() * (0.42 + 0.15 * i);
    p.drawRoundedRect(
        QRectF(r.left() + r.width() * 0.14, y, r.width() * (0.7 - 0.12 * i), r.height() * 0.07), 2,
        2);
  }
  p.restore();
}

QImage Canvas(const QSize& size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QIcon RoundButton(const QColor& base, const std::function<void(QPainter&, const QRectF&)>& glyph) {
  QImage image = Canvas(QSize(96, 96));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(QPointF(38, 30), 70);
  g.setColorAt(0, base.lighter(150));
  g.setColorAt(1, base.darker(120));
  p.setPen(QPen(base.darker(160), 3));
  p.setBrush(g);
  p.drawEllipse(QRectF(4, 4, 88, 88));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  glyph(p, QRectF(24, 24, 48, 48));
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace

QImage MasterDialogBackground(const QSize& size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, kSky);
  g.setColorAt(1, QColor(0xc9, 0xd9, 0xec));
  p.fillRect(image.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(0.12);
  for (int i = 0; i < 4; ++i) {
    DrawSlide(p, QRectF(size.width() - 150 + i * 18, size.height() - 120 + i * 14, 120, 90), kInk);
  }
  return image;
}

QImage SearchDoneBadge() {
  QImage image = Canvas(QSize(64, 64));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2e, 0x8b, 0x57));
  p.drawEllipse(QRectF(2, 2, 60, 60));
  QPainterPath tick;
  tick.moveTo(17, 33);
  tick.lineTo(28, 44);
  tick.lineTo(48, 21);
  p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
  return image;
}

QImage ModeDialogBackground() {
  QImage image(QSize(582, 280), QImage::Format_RGB32);
  image.fill(QColor::fromRgb(kShapeTransparent));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);  // keep the green edge exact
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0, 0, 582, 280), 28, 28);
  QLinearGradient g(0, 0, 0, 280);
  g.setColorAt(0, QColor(0xf7, 0xfa, 0xfe));
  g.setColorAt(1, QColor(0xd5, 0xe3, 0xf3));
  p.fillPath(shape, g);
  p.setPen(QPen(kInk, 2));
  p.drawPath(shape);
  p.fillRect(QRectF(28, 14, 526, 4), kAccent);
  return image;
}

QImage StandardModePicture() {
  QImage image = Canvas(QSize(72, 72));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawSlide(p, QRectF(6, 14, 52, 40), kInk);
  // A magnifier: the standard mode looks at every byte.
  p.setPen(QPen(kAccent, 5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawEllipse(QRectF(34, 30, 26, 26));
  p.drawLine(QPointF(57, 53), QPointF(68, 66));
  return image;
}

QImage FastModePicture() {
  QImage image = Canvas(QSize(72, 72));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawSlide(p, QRectF(14, 14, 52, 40), kInk);
  // Speed lines and a bolt.
  p.setPen(QPen(kAccent, 4, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(2, 22 + i * 10), QPointF(12, 22 + i * 10));
  QPainterPath bolt;
  bolt.moveTo(46, 40);
  bolt.lineTo(36, 58);
  bolt.lineTo(44, 58);
  bolt.lineTo(38, 72);
  bolt.lineTo(56, 50);
  bolt.lineTo(47, 50);
  bolt.lineTo(54, 40);
  bolt.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf2, 0xb1, 0x1b));
  p.drawPath(bolt);
  return image;
}

QIcon RecoverIcon() {
  return RoundButton(QColor(0x2e, 0x8b, 0x57), [](QPainter& p, const QRectF& r) {
    QPainterPath arrow;  // a play-like "go" triangle
    arrow.moveTo(r.left() + 8, r.top());
    arrow.lineTo(r.right(), r.center().y());
    arrow.lineTo(r.left() + 8, r.bottom());
    arrow.closeSubpath();
    p.drawPath(arrow);
  });
}

QIcon StopIcon() {
  return RoundButton(QColor(0xc0, 0x39, 0x2b), [](QPainter& p, const QRectF& r) {
    p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 4, 4);
  });
}

QIcon BackIcon() {
  return RoundButton(QColor(0x2c, 0x6f, 0xb7), [](QPainter& p, const QRectF& r) {
    QPainterPath arrow;
    arrow.moveTo(r.left(), r.center().y());
    arrow.lineTo(r.center().x(), r.top());
    arrow.lineTo(r.center().x(), r.top() + 14);
    arrow.lineTo(r.right(), r.top() + 14);
    arrow.lineTo(r.right(), r.bottom() - 14);
    arrow.lineTo(r.center().x(), r.bottom() - 14);
    arrow.lineTo(r.center().x(), r.bottom());
    arrow.closeSubpath();
    p.drawPath(arrow);
  });
}

QIcon ApplicationIcon() {
  QImage image = Canvas(QSize(128, 128));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawSlide(p, QRectF(8, 20, 100, 76), kAccent);
  p.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath tick;
  tick.moveTo(70, 92);
  tick.lineTo(86, 108);
  tick.lineTo(120, 70);
  p.drawPath(tick);
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace vlx::app
