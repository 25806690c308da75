#pragma once

#include <QColor>
#include <QImage>
#include <string>

namespace vlx {

// Writes text in capitals of a small built-in pixel font, centred in the image and
// wrapped at spaces. Needs no font system and no application object, so it works in
// the command-line tool. Letters and digits are drawn; other characters leave a gap.
void DrawPixelText(QImage& image, const std::string& text, QColor colour);

}  // namespace vlx
