#pragma once

#include <QPlainTextEdit>

namespace vlx::app {

// The read-only, self-scrolling progress log of the "Progress Log" pane.
class ProgressLog : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit ProgressLog(QWidget* parent = nullptr);
  // Appends with no separator of its own and keeps the last line visible.
  void Append(const QString& text);
  void Replace(const QString& text);
};

}  // namespace vlx::app
