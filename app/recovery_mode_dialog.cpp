#include "app/recovery_mode_dialog.h"

#include <QBitmap>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>

#include "app/artwork.h"

namespace vlx::app {
namespace {

constexpr const char* kStandardText =
    "This is the powerfull mode of recovery. Use this mode to recover from major corruptions";
constexpr const char* kFastText =
    "This is fast method of recovery , but it may fail in some cases.";

// A picture button with its description beside it; a click anywhere on it selects.
QToolButton* PictureButton(const QImage& picture, const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(QPixmap::fromImage(picture));
  button->setIconSize(picture.size());
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setToolTip(text);
  return button;
}

QLabel* Description(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setMinimumWidth(340);
  return label;
}

}  // namespace

RecoveryModeDialog::RecoveryModeDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), background_(ModeDialogBackground()) {
  setWindowTitle("Recovery Mode Selection");
  setFixedSize(background_.size());
  // Shape of the window: everything of the background that is not pure green.
  setMask(QBitmap::fromImage(background_.createMaskFromColor(kShapeTransparent, Qt::MaskOutColor)));

  standard_ = new QRadioButton(this);
  fast_ = new QRadioButton(this);
  standard_->setChecked(true);
  auto* standard_picture = PictureButton(StandardModePicture(), kStandardText, this);
  auto* fast_picture = PictureButton(FastModePicture(), kFastText, this);
  connect(standard_picture, &QToolButton::clicked, standard_,
          [this] { standard_->setChecked(true); });
  connect(fast_picture, &QToolButton::clicked, fast_, [this] { fast_->setChecked(true); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* heading = new QLabel("<b>Recovery Mode Selection</b>", this);
  QFont font = heading->font();
  font.setPointSize(font.pointSize() + 3);
  heading->setFont(font);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(36, 30, 36, 24);
  grid->addWidget(heading, 0, 0, 1, 3);
  grid->addWidget(standard_, 1, 0);
  grid->addWidget(standard_picture, 1, 1);
  grid->addWidget(Description(kStandardText, this), 1, 2);
  grid->addWidget(fast_, 2, 0);
  grid->addWidget(fast_picture, 2, 1);
  grid->addWidget(Description(kFastText, this), 2, 2);
  grid->setColumnStretch(2, 1);
  grid->addWidget(buttons, 3, 0, 1, 3);
}

int RecoveryModeDialog::mode() const {
  return standard_->isChecked() ? 1 : 2;
}

void RecoveryModeDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, background_);
}

}  // namespace vlx::app
