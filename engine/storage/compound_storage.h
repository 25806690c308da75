#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/compound_file_output.h"
#include "engine/storage/stream_spool.h"

namespace vlx {

// A stream of a CompoundStorage: a current position, Seek from the start and Write.
// Owned by its storage and valid as long as the storage lives.
class CompoundStream {
 public:
  CompoundStream(std::u16string name, std::string spool_folder, bool* storage_changed);
  CompoundStream(const CompoundStream&) = delete;
  CompoundStream& operator=(const CompoundStream&) = delete;

  const std::u16string& name() const { return name_; }
  uint64_t size() const { return data_.size(); }
  uint64_t position() const { return position_; }

  // Moves the position to offset bytes from the start (past the end is allowed; a
  // later write fills the gap with zeros).
  bool Seek(uint64_t offset);
  // Writes at the position and advances it. False when the stream would pass the
  // format's size limit or the bytes cannot be kept.
  bool Write(const void* data, size_t count);

  // Empties the stream (an element created again under the same name).
  void Reset();

  const StreamSpool& data() const { return data_; }
  const std::string& last_error() const { return last_error_; }

 private:
  std::u16string name_;
  StreamSpool data_;
  uint64_t position_ = 0;
  bool* storage_changed_;
  std::string last_error_;
};

// A compound file being written: a root storage with named streams, in direct mode.
// Create replaces whatever is at the path; Commit writes the whole file; a storage
// that is destroyed with uncommitted changes commits them.
class CompoundStorage {
 public:
  // Creates (or replaces) the file at path as an empty compound file. An existing
  // file is unlinked first, never written through, so a link at that name does not
  // lead to another file. nullptr with a reason when the file cannot be created.
  static std::unique_ptr<CompoundStorage> Create(const std::string& path,
                                                 std::string* error = nullptr);
  ~CompoundStorage();
  CompoundStorage(const CompoundStorage&) = delete;
  CompoundStorage& operator=(const CompoundStorage&) = delete;

  // Creates a stream of that name, or empties the existing stream of the same name
  // (names compare as the format orders them; the first spelling stays) and returns it.
  // nullptr on a bad name.
  CompoundStream* CreateStream(std::string_view utf8_name, std::string* error = nullptr);

  // Creates a stream inside a storage made by CreateStorage (kRootStorage: the root).
  CompoundStream* CreateStreamIn(uint32_t storage, std::string_view utf8_name,
                                 std::string* error = nullptr);

  // Creates a storage inside parent (kRootStorage or an earlier storage's index) and
  // returns its index; kRootStorage on a bad name or parent.
  uint32_t CreateStorage(std::string_view utf8_name, uint32_t parent = kRootStorage,
                         std::string* error = nullptr);

  // Sets the class id of a storage (kRootStorage: the root).
  void SetClassId(uint32_t storage, const std::array<uint8_t, 16>& clsid);

  // Writes the complete file.
  bool Commit(std::string* error = nullptr);

  const std::string& path() const { return path_; }
  size_t stream_count() const { return streams_.size(); }

 private:
  CompoundStorage(int fd, std::string path, std::string spool_folder);

  int fd_;
  std::string path_;
  std::string spool_folder_;
  std::vector<std::unique_ptr<CompoundStream>> streams_;
  std::vector<uint32_t> stream_parents_;
  StorageTree tree_;
  bool changed_ = false;
};

}  // namespace vlx
