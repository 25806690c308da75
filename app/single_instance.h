#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace vlx::app {

// The lock that lets one desktop program run at a time for each user. A lock left by a
// program that crashed (its process is gone) is taken over.
class SingleInstance {
 public:
  static constexpr const char* kName = "{719967F0-DCC6-49b5-9C61-DE91175C3187}";
  // lock_folder: where the lock lives (the user's own folder of DefaultLockFolder by default).
  explicit SingleInstance(const QString& lock_folder = QString());
  // False when another instance holds the lock.
  bool Acquired() const { return acquired_; }
  QString lock_path() const { return path_; }

  // The user's runtime folder; the user's cache folder where the desktop has none.
  static QString DefaultLockFolder();

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  bool acquired_ = false;
};

}  // namespace vlx::app
