#include "engine/storage/compound_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/job/checked_writes.h"
#include "engine/job/file_calls.h"
#include "engine/job/write_failure.h"
#include "engine/storage/compound_file_output.h"
#include "engine/storage/compound_format.h"
#include "engine/storage/entry_name.h"

namespace vlx {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool Fail(std::string* error, const std::string& what) {
  if (error != nullptr) *error = what;
  return false;
}

}  // namespace

CompoundStream::CompoundStream(std::u16string name, std::string spool_folder, bool* storage_changed)
    : name_(std::move(name)), data_(std::move(spool_folder)), storage_changed_(storage_changed) {}

bool CompoundStream::Seek(uint64_t offset) {
  if (offset > cfb::kMaxStreamSize) return false;
  position_ = offset;
  return true;
}

bool CompoundStream::Write(const void* data, size_t count) {
  if (count > cfb::kMaxStreamSize - position_) {
    last_error_ = "stream larger than the format allows";
    return false;
  }
  if (!data_.WriteAt(position_, data, count, &last_error_)) return false;
  position_ += count;
  *storage_changed_ = true;
  return true;
}

void CompoundStream::Reset() {
  data_.Clear();
  position_ = 0;
  *storage_changed_ = true;
}

std::unique_ptr<CompoundStorage> CompoundStorage::Create(const std::string& path,
                                                         std::string* error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      Fail(error, path + " is a folder");
      return nullptr;
    }
    if (::unlink(path.c_str()) != 0) {
      Fail(error, "cannot replace " + path + ": " + std::strerror(errno));
      return nullptr;
    }
  }
  const int fd =
      Files().Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    NoteFailedCall(path, errno);
    Fail(error, "cannot create " + path + ": " + std::strerror(errno));
    return nullptr;
  }
  std::unique_ptr<CompoundStorage> storage(new CompoundStorage(fd, path, FolderOf(path)));
  if (!storage->Commit(error)) return nullptr;  // an empty but valid file from the start
  return storage;
}

CompoundStorage::CompoundStorage(int fd, std::string path, std::string spool_folder)
    : fd_(fd), path_(std::move(path)), spool_folder_(std::move(spool_folder)) {}

CompoundStorage::~CompoundStorage() {
  if (changed_) Commit();
  CloseChecked(fd_, path_);
}

CompoundStream* CompoundStorage::CreateStream(std::string_view utf8_name, std::string* error) {
  return CreateStreamIn(kRootStorage, utf8_name, error);
}

CompoundStream* CompoundStorage::CreateStreamIn(uint32_t storage, std::string_view utf8_name,
                                                std::string* error) {
  if (storage != kRootStorage && storage >= tree_.storages.size()) {
    Fail(error, "no such storage");
    return nullptr;
  }
  std::u16string name;
  if (!MakeEntryName(utf8_name, &name, error)) return nullptr;
  for (size_t i = 0; i < streams_.size(); ++i) {
    if (stream_parents_[i] == storage && CompareEntryNames(streams_[i]->name(), name) == 0) {
      streams_[i]->Reset();
      return streams_[i].get();
    }
  }
  streams_.push_back(std::make_unique<CompoundStream>(std::move(name), spool_folder_, &changed_));
  stream_parents_.push_back(storage);
  changed_ = true;
  return streams_.back().get();
}

uint32_t CompoundStorage::CreateStorage(std::string_view utf8_name, uint32_t parent,
                                        std::string* error) {
  if (parent != kRootStorage && parent >= tree_.storages.size()) {
    Fail(error, "no such storage");
    return kRootStorage;
  }
  std::u16string name;
  if (!MakeEntryName(utf8_name, &name, error)) return kRootStorage;
  for (size_t i = 0; i < tree_.storages.size(); ++i) {
    if (tree_.storages[i].parent == parent && CompareEntryNames(tree_.storages[i].name, name) == 0)
      return static_cast<uint32_t>(i);
  }
  tree_.storages.push_back({std::move(name), {}, parent});
  changed_ = true;
  return static_cast<uint32_t>(tree_.storages.size() - 1);
}

void CompoundStorage::SetClassId(uint32_t storage, const std::array<uint8_t, 16>& clsid) {
  if (storage == kRootStorage) {
    tree_.root_clsid = clsid;
  } else if (storage < tree_.storages.size()) {
    tree_.storages[storage].clsid = clsid;
  }
  changed_ = true;
}

bool CompoundStorage::Commit(std::string* error) {
  std::vector<StreamContent> contents;
  contents.reserve(streams_.size());
  for (size_t i = 0; i < streams_.size(); ++i)
    contents.push_back({streams_[i]->name(), &streams_[i]->data(), stream_parents_[i]});
  std::string reason;
  if (!WriteCompoundFile(fd_, contents, &reason, tree_)) {
    NoteWriteFailure(path_ + ": " + reason);
    return Fail(error, "cannot write " + path_ + ": " + reason);
  }
  changed_ = false;
  return true;
}

}  // namespace vlx
