#pragma once

#include <QImage>
#include <QRegion>

namespace vlx::app {

// The part of a picture a shaped window keeps: every pixel that is not the key colour.
QRegion ShapeWithoutKeyColour(const QImage& picture, QRgb key);

}  // namespace vlx::app
