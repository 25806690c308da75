#include "app/progress_log.h"

#include <QScrollBar>
#include <QTextCursor>

namespace vlx::app {
namespace {
// The engine writes Windows line ends; the widget wants plain ones.
QString WithPlainLineEnds(QString text) {
  return text.replace("\r\n", "\n");
}
}  // namespace

ProgressLog::ProgressLog(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setObjectName("ProgressLog");
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void ProgressLog::Append(const QString& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(WithPlainLineEnds(text));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ProgressLog::Replace(const QString& text) {
  setPlainText(WithPlainLineEnds(text));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace vlx::app
