#include "app/dropped_file.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace vlx::app {

std::optional<QString> DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  const QString path = urls.first().toLocalFile();
  if (QFileInfo(path).isDir()) return std::nullopt;
  return path;
}

}  // namespace vlx::app
