#include "app/recovery_mode_dialog.h"

#include <QBitmap>
#include <QDialogButtonBox>
#include <QGridLayout>
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

QToolButton* PictureButton(const QImage& picture, const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(QPixmap::fromImage(picture));
  button->setIconSize(picture.size());
  button->setText(text);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  button->setStyleSheet("QToolButton { text-align: left; padding: 4px; }");
  return button;
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

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(36, 36, 36, 24);
  grid->addWidget(standard_, 0, 0);
  grid->addWidget(standard_picture, 0, 1);
  grid->addWidget(fast_, 1, 0);
  grid->addWidget(fast_picture, 1, 1);
  grid->addWidget(buttons, 2, 0, 1, 2);
}

int RecoveryModeDialog::mode() const {
  return standard_->isChecked() ? 1 : 2;
}

void RecoveryModeDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, background_);
}

}  // namespace vlx::app
