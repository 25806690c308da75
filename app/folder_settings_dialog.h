#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace vlx::app {

class ViewDialogs;

// "Folder Setting": the output folder prefix and Generate Log.
class FolderSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  FolderSettingsDialog(const QString& prefix, bool generate_log, ViewDialogs& dialogs,
                       QWidget* parent = nullptr);

  QString prefix() const;
  bool generate_log() const;
  QLineEdit* prefix_field() const { return prefix_; }
  QCheckBox* log_box() const { return log_; }

  // True when the text holds a character a folder prefix may not hold.
  static bool HasIllegalCharacter(const QString& text);

 public slots:
  void accept() override;

 private:
  QLineEdit* prefix_;
  QCheckBox* log_;
  ViewDialogs& dialogs_;
};

}  // namespace vlx::app
