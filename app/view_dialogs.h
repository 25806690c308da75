#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace vlx::app {

// The modal questions the view asks. The window uses the Qt dialogs; tests script them.
class ViewDialogs {
 public:
  virtual ~ViewDialogs() = default;
  // The file-open dialog; nullopt when cancelled.
  virtual std::optional<QString> ChooseFile(QWidget* owner) = 0;
  // "Recovery Mode Selection": nullopt when cancelled, else 1 (standard) or 2 (fast).
  virtual std::optional<int> AskRecoveryMode(QWidget* owner) = 0;
  // A message box; returns 1 (OK), 6 (Yes) or 7 (No).
  virtual int Message(QWidget* owner, const QString& text, const QString& caption, int style) = 0;
};

// The real dialogs.
class QtViewDialogs : public ViewDialogs {
 public:
  std::optional<QString> ChooseFile(QWidget* owner) override;
  std::optional<int> AskRecoveryMode(QWidget* owner) override;
  int Message(QWidget* owner, const QString& text, const QString& caption, int style) override;
};

// The file dialog's filters: the three presentation kinds together, each alone, all files.
QStringList PresentationFileFilters();

// Shows a message box in the style the engine names (64 information, 48 warning,
// 52 warning with Yes/No, 36 question with Yes/No).
int ShowStyledMessage(QWidget* owner, const QString& text, const QString& caption, int style);

}  // namespace vlx::app
