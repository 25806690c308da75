#include "app/folder_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/view_dialogs.h"
#include "engine/job/messages.h"

namespace vlx::app {

FolderSettingsDialog::FolderSettingsDialog(const QString& prefix, bool generate_log,
                                           ViewDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
  setWindowTitle("Folder Setting");
  prefix_ = new QLineEdit(prefix, this);
  log_ = new QCheckBox("     Generate Log", this);
  log_->setChecked(generate_log);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow(new QLabel("Folder name prefix", this), prefix_);
  form->addRow(log_);
  form->addRow(buttons);
  // 244 x 106 dialog units at the usual 1.5 x 1.625 pixels per unit.
  resize(366, 172);
}

QString FolderSettingsDialog::prefix() const {
  return prefix_->text();
}
bool FolderSettingsDialog::generate_log() const {
  return log_->isChecked();
}

bool FolderSettingsDialog::HasIllegalCharacter(const QString& text) {
  static const QString kIllegal = "/\\|*:?<>'";
  for (QChar c : text)
    if (kIllegal.contains(c)) return true;
  return false;
}

void FolderSettingsDialog::accept() {
  if (HasIllegalCharacter(prefix_->text())) {
    dialogs_.Message(nullptr, "Illegal character found in file pre fix ", kApplicationTitle,
                     kStyleInformation);
    return;  // the dialog stays open with the text unchanged
  }
  QDialog::accept();
}

}  // namespace vlx::app
