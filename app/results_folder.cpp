#include "app/results_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vlx::app {

QString DefaultResultsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

QString ResultsFolderFor(const QString& chosen, const QString& input_path) {
  if (!chosen.isEmpty()) return QDir::cleanPath(chosen);
  return QFileInfo(input_path).absolutePath();
}

bool CanHoldResults(const QString& folder) {
  const QFileInfo info(folder);
  return !folder.isEmpty() && info.isDir() && info.isWritable();
}

}  // namespace vlx::app
