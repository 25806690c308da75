#include "automation/imaging/thumbnail_layout.h"

#include <gtest/gtest.h>

namespace vlx {
namespace {

void ExpectLayout(const ThumbnailLayout& layout, int w, int h, int x, int y) {
  EXPECT_EQ(layout.source_width, w);
  EXPECT_EQ(layout.source_height, h);
  EXPECT_EQ(layout.x, x);
  EXPECT_EQ(layout.y, y);
}

TEST(LayOutThumbnail, FourByThreeSlideInTheSlideBox) {
  ExpectLayout(LayOutThumbnail(960, 720, 170, 120), 160, 114, 5, 3);
  ExpectLayout(LayOutThumbnail(40, 30, 170, 120), 160, 114, 5, 3);
}

TEST(LayOutThumbnail, SquarePictureInThePictureBoxIsNotTaller) {
  ExpectLayout(LayOutThumbnail(250, 250, 100, 100), 100, 94, 0, 3);
}

TEST(LayOutThumbnail, PictureOfTheBoxShapeFillsTheWidthWithoutLosingARow) {
  // Single precision: 120 / 170 compares equal to the box ratio and 170 * r gives 120.
  ExpectLayout(LayOutThumbnail(170, 120, 170, 120), 170, 114, 0, 3);
  ExpectLayout(LayOutThumbnail(340, 240, 170, 120), 170, 114, 0, 3);
}

TEST(LayOutThumbnail, WidePictureIsCentredDown) {
  // r = 0.5: h = 85 in 170 x 120 (y = 17), h = 50 in 100 x 100 (y = 25).
  ExpectLayout(LayOutThumbnail(200, 100, 170, 120), 170, 79, 0, 20);
  ExpectLayout(LayOutThumbnail(200, 100, 100, 100), 100, 44, 0, 28);
}

TEST(LayOutThumbnail, TallPictureIsCentredAcross) {
  // r = 4/3: w = 75 in 100 x 100, x = 12; w = 90 in 170 x 120, x = 40.
  ExpectLayout(LayOutThumbnail(300, 400, 100, 100), 75, 94, 12, 3);
  ExpectLayout(LayOutThumbnail(300, 400, 170, 120), 90, 114, 40, 3);
}

TEST(LayOutThumbnail, ExtremeShapesLeaveAnEmptyRegion) {
  EXPECT_TRUE(LayOutThumbnail(4000, 10, 100, 100).empty());
  EXPECT_TRUE(LayOutThumbnail(1, 100000, 170, 120).empty());
  EXPECT_TRUE(LayOutThumbnail(0, 10, 100, 100).empty());
}

}  // namespace
}  // namespace vlx
