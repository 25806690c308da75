#pragma once

#include <string>
#include <string_view>

namespace vlx {

// The run's temporary folder under the system temporary path. The front ends take a
// fresh one per process, "vlxTemp-<pid>-<random>" made by mkdtemp, so that parallel
// runs never share files and nobody can plant a folder or link at its name in advance.
class Workspace {
 public:
  // $TMPDIR when set and absolute, else "/tmp"; always ends in '/'.
  static std::string SystemTempPath();
  // "vlxTemp-<pid>" for the calling process: the stem of its fresh workspaces.
  static std::string PerProcessName();
  // A new folder "vlxTemp-<pid>-XXXXXX" made owner-only by mkdtemp. When it cannot be
  // made the workspace keeps that stem and Create reports why.
  static Workspace Fresh();

  explicit Workspace(std::string_view folder_name = "vlxTemp");
  // A workspace at an explicit location (tests); path gets a trailing '/'.
  static Workspace At(std::string path);

  // Folder path, ending in '/'.
  const std::string& path() const { return path_; }
  // path() + name.
  std::string File(std::string_view name) const { return path_ + std::string(name); }

  // Creates the folder owner-only. An existing folder of ours is fine; a symlink or a
  // folder owned by someone else at that name is refused (false, reason in *error):
  // it is opened with O_DIRECTORY|O_NOFOLLOW and checked on the open descriptor.
  bool Create(std::string* error = nullptr) const;
  // Deletes the folder and everything in it (DeleteFolderTree).
  bool Delete() const;
  // Deletes the folder while the run's threads may still be writing into it (a stop that
  // ends the process at once): from then on no Create in this process makes this folder
  // again, so a thread that goes on cannot bring it back, and it is moved aside before it
  // is deleted (DeleteFolderTreeInUse).
  bool DeleteInUse() const;

 private:
  std::string path_;
};

}  // namespace vlx
