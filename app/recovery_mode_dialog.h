#pragma once

#include <QDialog>

class QRadioButton;

namespace vlx::app {

// "Recovery Mode Selection": the standard mode (1) or the fast mode (2). The window
// takes its shape from its background picture.
class RecoveryModeDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RecoveryModeDialog(QWidget* parent = nullptr);
  int mode() const;

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
