#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vlx::app {

class ViewDialogs;

// "Folder Setting": the output folder prefix, where output folders are made, and
// Generate Log.
class FolderSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  FolderSettingsDialog(const QString& prefix, bool generate_log, ViewDialogs& dialogs,
                       QWidget* parent = nullptr);

  QString prefix() const;
  bool generate_log() const;
  // Where output folders are made; empty: beside the damaged file.
  QString results_folder() const;
  void set_results_folder(const QString& folder);

  QLineEdit* prefix_field() const { return prefix_; }
  QCheckBox* log_box() const { return log_; }
  QLineEdit* results_field() const { return results_; }
  QCheckBox* beside_input_box() const { return beside_input_; }

  // True when the text holds a character a folder prefix may not hold.
  static bool HasIllegalCharacter(const QString& text);

 public slots:
  void accept() override;

 private:
  void ChooseResultsFolder();

  QLineEdit* prefix_;
  QCheckBox* log_;
  QLineEdit* results_;
  QPushButton* browse_results_;
  QCheckBox* beside_input_;
  ViewDialogs& dialogs_;
};

}  // namespace vlx::app
