#pragma once

#include <QImage>

namespace vlx {

// Pictures drawn in code, so the program needs no resource files for them.

// Shown for a slide when the office cannot export pictures: 350 x 350, opaque.
QImage StockSlidePicture();

// A stand-in for a picture that could not be made: 170 x 120, opaque.
QImage PlaceholderPicture();

}  // namespace vlx
