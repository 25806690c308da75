#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's pictures, drawn in code so they scale and need no resource files.
namespace vlx::app {

// Background of the master-slide dialog (175).
QImage MasterDialogBackground(const QSize& size);
// Shown in the master-slide dialog once the search has ended (185).
QImage SearchDoneBadge();
// Background of the mode dialog (182); pure green marks what lies outside its shape.
QImage ModeDialogBackground();
inline constexpr QRgb kShapeTransparent = 0xFF00FF00;
// Picture buttons of the two modes (183 standard, 184 fast).
QImage StandardModePicture();
QImage FastModePicture();
// Picture buttons of the view.
QIcon RecoverIcon();
QIcon StopIcon();
QIcon BackIcon();
// Application icon.
QIcon ApplicationIcon();

}  // namespace vlx::app
