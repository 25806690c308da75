#include "automation/imaging/stock_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace vlx {

namespace {

const QColor kInk(0x1f, 0x3a, 0x5f);
const QColor kAccent(0xd2, 0x5a, 0x1e);
const QColor kSky(0xe8, 0xf1, 0xfb);
const QColor kMist(0xc9, 0xd9, 0xec);
const QColor kSun(0xf2, 0xb1, 0x1b);
const QColor kHill(0x2e, 0x8b, 0x57);

void FillBackground(QPainter& p, const QRectF& area, const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(area.topLeft(), area.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p.fillRect(area, gradient);
}

// A white slide card with a soft shadow, a title bar and a little landscape picture.
void DrawSlideCard(QPainter& p, const QRectF& card) {
  const qreal unit = card.width() / 40.0;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 45));
  p.drawRoundedRect(card.translated(unit * 0.8, unit * 0.8), unit, unit);
  p.setBrush(Qt::white);
  p.setPen(QPen(kMist, unit * 0.3));
  p.drawRoundedRect(card, unit, unit);

  p.setPen(Qt::NoPen);
  const QRectF title(card.left() + unit * 3, card.top() + unit * 3, card.width() * 0.6, unit * 2.6);
  p.setBrush(kInk);
  p.drawRoundedRect(title, unit * 0.6, unit * 0.6);
  p.setBrush(kAccent);
  p.drawRect(QRectF(card.left() + unit * 3, title.bottom() + unit * 1.2, unit * 6, unit * 0.6));

  // Body lines on the left, a picture on the right.
  p.setBrush(kMist);
  for (int line = 0; line < 4; ++line) {
    const qreal top = title.bottom() + unit * (4 + line * 2.6);
    const qreal length = card.width() * (line % 2 == 0 ? 0.42 : 0.34);
    p.drawRoundedRect(QRectF(card.left() + unit * 3, top, length, unit * 1.1), unit * 0.5,
                      unit * 0.5);
  }
  const QRectF frame(card.right() - card.width() * 0.38, title.bottom() + unit * 3.6,
                     card.width() * 0.33, card.height() * 0.42);
  FillBackground(p, frame, kSky, kMist);
  p.setBrush(kSun);
  p.drawEllipse(QPointF(frame.right() - frame.width() * 0.25, frame.top() + frame.height() * 0.28),
                frame.width() * 0.1, frame.width() * 0.1);
  QPainterPath hills;
  hills.moveTo(frame.bottomLeft());
  hills.lineTo(frame.left() + frame.width() * 0.35, frame.top() + frame.height() * 0.45);
  hills.lineTo(frame.left() + frame.width() * 0.6, frame.top() + frame.height() * 0.75);
  hills.lineTo(frame.left() + frame.width() * 0.78, frame.top() + frame.height() * 0.58);
  hills.lineTo(frame.bottomRight());
  hills.closeSubpath();
  p.setBrush(kHill);
  p.drawPath(hills);
}

QImage NewCanvas(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

}  // namespace

QImage StockSlidePicture() {
  QImage image = NewCanvas(350, 350);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillBackground(p, QRectF(0, 0, 350, 350), kSky, kMist);
  // Two cards fanned behind a front one: "slides".
  p.save();
  p.translate(175, 190);
  p.rotate(-8);
  p.setOpacity(0.55);
  DrawSlideCard(p, QRectF(-135, -110, 270, 190));
  p.restore();
  DrawSlideCard(p, QRectF(30, 95, 290, 205));
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRect(QRectF(0, 0, 350, 10));
  p.setBrush(kInk);
  p.drawRect(QRectF(0, 340, 350, 10));
  return image;
}

QImage PlaceholderPicture() {
  QImage image = NewCanvas(170, 120);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillBackground(p, QRectF(0, 0, 170, 120), kSky, kMist);
  DrawSlideCard(p, QRectF(25, 16, 120, 84));
  p.setPen(QPen(kInk, 1.0, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(4.5, 4.5, 161, 111), 6, 6);
  return image;
}

}  // namespace vlx
