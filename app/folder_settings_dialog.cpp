#include "app/folder_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/results_folder.h"
#include "app/view_dialogs.h"
#include "engine/job/messages.h"

namespace vlx::app {

FolderSettingsDialog::FolderSettingsDialog(const QString& prefix, bool generate_log,
                                           ViewDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
  setWindowTitle(tr("Folder Setting"));
  prefix_ = new QLineEdit(prefix, this);
  log_ = new QCheckBox(tr("     Generate Log"), this);
  log_->setChecked(generate_log);
  results_ = new QLineEdit(this);
  results_->setObjectName("ResultsFolder");
  results_->setMinimumWidth(260);
  browse_results_ = new QPushButton(tr("B&rowse..."), this);
  beside_input_ = new QCheckBox(tr("Beside the damaged file"), this);
  connect(browse_results_, &QPushButton::clicked, this, &FolderSettingsDialog::ChooseResultsFolder);
  connect(beside_input_, &QCheckBox::toggled, this, [this](bool beside) {
    results_->setEnabled(!beside);
    browse_results_->setEnabled(!beside);
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* results_row = new QHBoxLayout;
  results_row->addWidget(results_, 1);
  results_row->addWidget(browse_results_);
  auto* form = new QFormLayout(this);
  auto* prefix_label = new QLabel(tr("Folder name &prefix"), this);
  prefix_label->setBuddy(prefix_);
  form->addRow(prefix_label, prefix_);
  auto* results_label = new QLabel(tr("&Save results in"), this);
  results_label->setBuddy(results_);
  form->addRow(results_label, results_row);
  form->addRow(QString(), beside_input_);
  form->addRow(log_);
  form->addRow(buttons);
  set_results_folder(DefaultResultsFolder());
}

QString FolderSettingsDialog::prefix() const {
  return prefix_->text();
}
bool FolderSettingsDialog::generate_log() const {
  return log_->isChecked();
}

QString FolderSettingsDialog::results_folder() const {
  return beside_input_->isChecked() ? QString() : QDir::fromNativeSeparators(results_->text());
}

void FolderSettingsDialog::set_results_folder(const QString& folder) {
  beside_input_->setChecked(folder.isEmpty());
  results_->setText(QDir::toNativeSeparators(folder.isEmpty() ? DefaultResultsFolder() : folder));
}

void FolderSettingsDialog::ChooseResultsFolder() {
  const QString chosen =
      QFileDialog::getExistingDirectory(this, tr("Save results in"), results_->text());
  if (!chosen.isEmpty()) results_->setText(QDir::toNativeSeparators(chosen));
}

bool FolderSettingsDialog::HasIllegalCharacter(const QString& text) {
  static const QString kIllegal = "/\\|*:?<>'";
  for (QChar c : text)
    if (kIllegal.contains(c)) return true;
  return false;
}

void FolderSettingsDialog::accept() {
  if (HasIllegalCharacter(prefix_->text())) {
    dialogs_.Message(nullptr, tr("Illegal character found in file pre fix "), kApplicationTitle,
                     kStyleInformation);
    return;  // the dialog stays open with the text unchanged
  }
  const QString folder = results_folder();
  if (!beside_input_->isChecked() && !CanHoldResults(folder)) {
    dialogs_.Message(this,
                     tr("The results cannot be saved in %1: the folder is missing or not "
                        "writable.")
                         .arg(QDir::toNativeSeparators(folder)),
                     kApplicationTitle, kStyleWarning);
    return;
  }
  QDialog::accept();
}

}  // namespace vlx::app
