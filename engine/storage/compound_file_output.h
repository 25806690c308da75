#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/stream_spool.h"

namespace vlx {

// The root storage, as the parent of an element.
inline constexpr uint32_t kRootStorage = 0xFFFFFFFF;

// A stream to be written: its element name, its bytes and the storage it is in
// (kRootStorage or an index into the storages).
struct StreamContent {
  std::u16string name;
  const StreamSpool* data = nullptr;
  uint32_t parent = kRootStorage;
};

// A storage to be written: its name, its class id and its parent (kRootStorage or the
// index of an earlier storage).
struct StorageContent {
  std::u16string name;
  std::array<uint8_t, 16> clsid{};
  uint32_t parent = kRootStorage;
};

// The storages of a file and the root's class id; empty for a flat file.
struct StorageTree {
  std::array<uint8_t, 16> root_clsid{};
  std::vector<StorageContent> storages;
};

// Writes a complete compound file with a root storage holding storages and streams
// (distinct names within each storage) to fd from offset 0 and cuts the file to its new
// length. False with a reason on failure.
bool WriteCompoundFile(int fd, const std::vector<StreamContent>& streams, std::string* error,
                       const StorageTree& tree = {});

}  // namespace vlx
