#include "app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace vlx::app {

QString SingleInstance::DefaultLockFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  if (folder.isEmpty()) folder = QDir::homePath();
  return folder;
}

SingleInstance::SingleInstance(const QString& lock_folder) {
  const QString folder = lock_folder.isEmpty() ? DefaultLockFolder() : lock_folder;
  QDir().mkpath(folder);
  path_ = folder + "/vlxrecovery-" + kName + ".lock";
  lock_ = std::make_unique<QLockFile>(path_);
  lock_->setStaleLockTime(0);  // only a dead owner makes a lock stale
  acquired_ = lock_->tryLock(0);
}

}  // namespace vlx::app
