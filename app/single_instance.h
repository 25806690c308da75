#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace vlx::app {

// The system-wide lock that lets one desktop program run at a time. A lock left by a
// program that crashed is taken over.
class SingleInstance {
 public:
  static constexpr const char* kName = "{719967F0-DCC6-49b5-9C61-DE91175C3187}";
  // lock_folder: where the lock lives (the system temporary folder by default).
  explicit SingleInstance(const QString& lock_folder = QString());
  // False when another instance holds the lock.
  bool Acquired() const { return acquired_; }

 private:
  std::unique_ptr<QLockFile> lock_;
  bool acquired_ = false;
};

}  // namespace vlx::app
