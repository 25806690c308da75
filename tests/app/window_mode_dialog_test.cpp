// The mode dialog as the user sees it: its shape, its pixels, its choices.
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>

#include "app/artwork.h"
#include "app/recovery_mode_dialog.h"
#include "app/window_shape.h"
#include "tests/app/window_fixture.h"

namespace vlx::app::testing {
namespace {

bool IsKeyGreen(QRgb pixel) {
  return qRed(pixel) < 40 && qGreen(pixel) > 215 && qBlue(pixel) < 40;
}

TEST(WindowShapeTest, KeepsEveryPixelButTheKeyColour) {
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(qRgb(10, 20, 30));
  picture.setPixel(0, 0, kShapeTransparent);
  picture.setPixel(3, 2, kShapeTransparent);
  picture.setPixel(1, 1, qRgb(0, 254, 0));  // near the key is not the key
  const QRegion shape = ShapeWithoutKeyColour(picture, kShapeTransparent);
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.contains(QPoint(3, 2)));
  EXPECT_TRUE(shape.contains(QPoint(1, 1)));
  EXPECT_TRUE(shape.contains(QPoint(2, 0)));
  EXPECT_TRUE(shape.contains(QPoint(3, 1)));
  int kept = 0;
  for (const QRect& r : shape) kept += r.width() * r.height();
  EXPECT_EQ(kept, 10);
}

class ModeDialogTest : public WindowTest {};

TEST_F(ModeDialogTest, TheBodyIsShownAndTheKeyedCornersAreCut) {
  RecoveryModeDialog dialog(window_.get());
  dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible(); }));
  const QRegion shape = dialog.mask();
  const QRect all = dialog.rect();
  int kept = 0;
  for (const QRect& r : shape) kept += r.width() * r.height();
  EXPECT_GT(kept, all.width() * all.height() * 9 / 10) << "the body stays";
  EXPECT_LT(kept, all.width() * all.height()) << "the rounded corners go";
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.contains(QPoint(all.right(), all.bottom())));
  EXPECT_TRUE(shape.contains(all.center()));

  // What is drawn inside the shape: the background, never the key green, and every
  // control of the dialog inside the shape.
  const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size() / shot.devicePixelRatio(), all.size());
  int green = 0;
  for (int y = 0; y < shot.height(); y += 2)
    for (int x = 0; x < shot.width(); x += 2)
      if (shape.contains(QPoint(x, y) / shot.devicePixelRatio()) && IsKeyGreen(shot.pixel(x, y)))
        ++green;
  EXPECT_EQ(green, 0);
  const QRgb body = shot.pixel(QPoint(all.width() / 2, all.height() - 6) * shot.devicePixelRatio());
  EXPECT_GT(qBlue(body), 180) << "the pale blue background is painted";
  for (QWidget* child : dialog.findChildren<QWidget*>()) {
    if (!child->isVisible() || child->parentWidget() != &dialog) continue;
    const QRect place = child->geometry();
    EXPECT_TRUE(shape.contains(place.center())) << child->metaObject()->className();
  }

  // The heading is drawn: dark text pixels where the heading stands.
  const auto* heading = dialog.findChild<QLabel*>("ModeHeading");
  ASSERT_NE(heading, nullptr);
  int dark = 0;
  const QRect text = heading->geometry();
  for (int y = text.top(); y <= text.bottom(); ++y)
    for (int x = text.left(); x <= text.right(); ++x)
      if (qGray(shot.pixel(QPoint(x, y) * shot.devicePixelRatio())) < 90) ++dark;
  EXPECT_GT(dark, 30);
  KeepScreenshot(shot, "mode-dialog.png");
}

TEST_F(ModeDialogTest, StartsOnStandardAndEachPictureSelectsItsMode) {
  RecoveryModeDialog dialog(window_.get());
  EXPECT_TRUE(dialog.standard_button()->isChecked());
  EXPECT_EQ(dialog.mode(), 1);
  dialog.findChild<QToolButton*>("FastModePicture")->click();
  EXPECT_EQ(dialog.mode(), 2);
  EXPECT_FALSE(dialog.standard_button()->isChecked());
  dialog.findChild<QToolButton*>("StandardModePicture")->click();
  EXPECT_EQ(dialog.mode(), 1);
}

}  // namespace
}  // namespace vlx::app::testing
