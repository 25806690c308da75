#include "app/view_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "app/recovery_mode_dialog.h"
#include "engine/job/progress_sink.h"

namespace vlx::app {

int ShowStyledMessage(QWidget* owner, const QString& text, const QString& caption, int style) {
  QMessageBox box(owner);
  box.setWindowTitle(caption);
  box.setText(text);
  const bool yes_no = style == kStyleYesNoWarning || style == kStyleYesNoQuestion;
  switch (style) {
    case kStyleInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case kStyleYesNoQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    default:
      box.setIcon(QMessageBox::Warning);
      break;
  }
  if (yes_no) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int pressed = box.exec();
  if (!yes_no) return kAnswerOk;
  return pressed == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

QStringList PresentationFileFilters() {
  const auto tr = [](const char* text) { return QCoreApplication::translate("FileDialog", text); };
  return {tr("PowerPoint Presentations (*.ppt *.pot *.pps)"),
          tr("PowerPoint 97-2003 Presentations (*.ppt)"),
          tr("PowerPoint 97-2003 Templates (*.pot)"), tr("PowerPoint 97-2003 Shows (*.pps)"),
          tr("All Files (*)")};
}

std::optional<QString> QtViewDialogs::ChooseFile(QWidget* owner) {
  QFileDialog dialog(
      owner, QCoreApplication::translate("FileDialog",
                                         "Select PowerPoint Presentations file for recovery..."));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(PresentationFileFilters());
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<int> QtViewDialogs::AskRecoveryMode(QWidget* owner) {
  RecoveryModeDialog dialog(owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.mode();
}

int QtViewDialogs::Message(QWidget* owner, const QString& text, const QString& caption, int style) {
  return ShowStyledMessage(owner, text, caption, style);
}

}  // namespace vlx::app
