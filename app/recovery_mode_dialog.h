#pragma once

#include <QDialog>

#include "engine/run/recovery_mode.h"

class QRadioButton;

namespace vlx::app {

// "Recovery Mode Selection": the standard mode or the fast mode. The window
// takes its shape from its background picture.
class RecoveryModeDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RecoveryModeDialog(QWidget* parent = nullptr);
  RecoveryMode mode() const;

  QRadioButton* standard_button() const { return standard_; }
  QRadioButton* fast_button() const { return fast_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRadioButton* standard_;
  QRadioButton* fast_;
  QImage background_;
};

}  // namespace vlx::app
