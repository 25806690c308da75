#include "automation/imaging/thumbnail_layout.h"

#include <gtest/gtest.h>

namespace vlx {
namespace {

void ExpectLayout(const ThumbnailLayout& layout, int w, int h, int x, int y) {
  EXPECT_EQ(layout.width, w);
  EXPECT_EQ(layout.height, h);
  EXPECT_EQ(layout.x, x);
  EXPECT_EQ(layout.y, y);
}

TEST(LayOutThumbnail, FourByThreeSlideFillsTheHeightOfTheSlideBox) {
  // Inside 164 x 114: the height decides, 152 x 114, centred across.
  ExpectLayout(LayOutThumbnail(960, 720, 170, 120), 152, 114, 9, 3);
  ExpectLayout(LayOutThumbnail(40, 30, 170, 120), 152, 114, 9, 3);  // small slides grow
}

TEST(LayOutThumbnail, SquarePictureInThePictureBox) {
  ExpectLayout(LayOutThumbnail(250, 250, 100, 100), 94, 94, 3, 3);
}

TEST(LayOutThumbnail, WidePicturesAreLetterboxedNotCut) {
  ExpectLayout(LayOutThumbnail(200, 100, 170, 120), 164, 82, 3, 19);
  ExpectLayout(LayOutThumbnail(200, 100, 100, 100), 94, 47, 3, 26);
  // A panorama keeps its whole width; a strip keeps a row.
  ExpectLayout(LayOutThumbnail(4000, 500, 100, 100), 94, 12, 3, 44);
  ExpectLayout(LayOutThumbnail(4000, 10, 100, 100), 94, 1, 3, 49);
}

TEST(LayOutThumbnail, TallPicturesArePillarboxed) {
  ExpectLayout(LayOutThumbnail(300, 400, 100, 100), 71, 94, 14, 3);
  ExpectLayout(LayOutThumbnail(300, 400, 170, 120), 85, 114, 42, 3);
  ExpectLayout(LayOutThumbnail(1, 100000, 170, 120), 1, 114, 84, 3);
}

TEST(LayOutThumbnail, ABoxOfTwiceThePixelsKeepsTheSameMargin) {
  // A screen at twice the pixel density: the picture gets the larger box, less the margin.
  ExpectLayout(LayOutThumbnail(960, 720, 340, 240), 312, 234, 14, 3);
}

TEST(LayOutThumbnail, NothingWithoutExtent) {
  EXPECT_TRUE(LayOutThumbnail(0, 10, 100, 100).empty());
  EXPECT_TRUE(LayOutThumbnail(10, -1, 100, 100).empty());
  EXPECT_TRUE(LayOutThumbnail(10, 10, 6, 100).empty());
}

}  // namespace
}  // namespace vlx
