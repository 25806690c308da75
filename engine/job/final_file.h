#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace vlx {

// A result file of the output folder. It is written under a temporary name beside its
// final one and renamed into place only when every write, the sync and the close
// succeeded; otherwise the part is removed, so nothing half-written ever carries the
// final name. Failures are noted as the run's write failure.
class FinalFile {
 public:
  explicit FinalFile(std::string final_path, mode_t mode = 0644);
  ~FinalFile();  // removes the part unless it was committed
  FinalFile(const FinalFile&) = delete;
  FinalFile& operator=(const FinalFile&) = delete;

  bool ok() const { return !failed_; }
  bool Write(const void* data, size_t count);
  // Syncs, closes and renames into place; false (and the part removed) on any failure.
  bool Commit();

  const std::string& part_path() const { return part_path_; }

 private:
  void Discard();

  std::string final_path_;
  std::string part_path_;
  int fd_ = -1;
  bool failed_ = false;
  bool committed_ = false;
};

// Copies source whole into target through a FinalFile. False when target was not made.
bool CopyToFinalFile(const std::string& source, const std::string& target);

// For files another library writes (pictures): write makes the file at the temporary
// path it is given, beside final_path; only when it reports success is the file renamed
// into place. The part is removed otherwise.
bool WriteIntoPlace(const std::string& final_path,
                    const std::function<bool(const std::string& part_path)>& write);

}  // namespace vlx
