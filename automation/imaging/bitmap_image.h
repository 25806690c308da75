#pragma once

#include <QImage>

#include "engine/job/result_view.h"

namespace vlx {

// Copies between the engine's Bitmap (0xAARRGGBB) and a Qt image.
Bitmap ToBitmap(const QImage& image);
QImage ToImage(const Bitmap& bitmap);

}  // namespace vlx
