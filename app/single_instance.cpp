#include "app/single_instance.h"

#include <QDir>

namespace vlx::app {

SingleInstance::SingleInstance(const QString& lock_folder) {
  const QString folder = lock_folder.isEmpty() ? QDir::tempPath() : lock_folder;
  lock_ = std::make_unique<QLockFile>(folder + "/" + kName + ".lock");
  lock_->setStaleLockTime(0);  // only a dead owner makes a lock stale
  acquired_ = lock_->tryLock(0);
}

}  // namespace vlx::app
