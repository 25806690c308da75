#include "app/recovery_mode_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>

#include "app/artwork.h"
#include "app/window_shape.h"

namespace vlx::app {
namespace {

// A mode's picture button, its description as its tip; a click selects the mode.
QToolButton* PictureButton(const QImage& picture, const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(QPixmap::fromImage(picture));
  button->setIconSize(picture.size());
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setToolTip(text);
  return button;
}

// The description beside a picture, wrapped to the room the dialog leaves.
QLabel* Description(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setMinimumWidth(300);
  return label;
}

}  // namespace

RecoveryModeDialog::RecoveryModeDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), background_(ModeDialogBackground()) {
  setObjectName("RecoveryModeDialog");
  setWindowTitle(tr("Recovery Mode Selection"));
  setFixedSize(background_.size());
  setMask(ShapeWithoutKeyColour(background_, kShapeTransparent));

  const QString standard_text =
      tr("This is the powerfull mode of recovery. Use this mode to recover from major "
         "corruptions");
  const QString fast_text = tr("This is fast method of recovery , but it may fail in some cases.");

  standard_ = new QRadioButton(this);
  standard_->setObjectName("StandardMode");
  standard_->setAccessibleName(tr("Standard mode"));
  fast_ = new QRadioButton(this);
  fast_->setObjectName("FastMode");
  fast_->setAccessibleName(tr("Fast mode"));
  standard_->setChecked(true);
  auto* standard_picture = PictureButton(StandardModePicture(), standard_text, this);
  auto* fast_picture = PictureButton(FastModePicture(), fast_text, this);
  standard_picture->setObjectName("StandardModePicture");
  fast_picture->setObjectName("FastModePicture");
  connect(standard_picture, &QToolButton::clicked, standard_,
          [this] { standard_->setChecked(true); });
  connect(fast_picture, &QToolButton::clicked, fast_, [this] { fast_->setChecked(true); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* heading = new QLabel("<b>" + tr("Recovery Mode Selection").toHtmlEscaped() + "</b>", this);
  heading->setObjectName("ModeHeading");
  QFont font = heading->font();
  font.setPointSize(font.pointSize() + 3);
  heading->setFont(font);

  auto* standard_label = Description(standard_text, this);
  auto* fast_label = Description(fast_text, this);
  standard_label->setBuddy(standard_);
  fast_label->setBuddy(fast_);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(36, 30, 36, 24);
  grid->addWidget(heading, 0, 0, 1, 3);
  grid->addWidget(standard_, 1, 0);
  grid->addWidget(standard_picture, 1, 1);
  grid->addWidget(standard_label, 1, 2);
  grid->addWidget(fast_, 2, 0);
  grid->addWidget(fast_picture, 2, 1);
  grid->addWidget(fast_label, 2, 2);
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
