#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/compound_format.h"

namespace vlx {

// One directory entry as it is written: the root storage or a stream.
struct DirectoryEntry {
  std::u16string name;
  cfb::ObjectType type = cfb::ObjectType::kUnused;
  cfb::NodeColor color = cfb::NodeColor::kBlack;
  uint32_t left = cfb::kNoStream;
  uint32_t right = cfb::kNoStream;
  uint32_t child = cfb::kNoStream;
  std::array<uint8_t, 16> clsid{};  // the root and storages only
  uint32_t start_sector = cfb::kEndOfChain;
  uint64_t size = 0;
};

// Links the entries named by siblings (ids into entries, any order, distinct names)
// into a balanced red-black tree ordered by CompareEntryNames. Sets left, right and
// color of each sibling; returns the id of the tree's root (kNoStream when empty).
uint32_t LinkSiblingTree(std::vector<DirectoryEntry>& entries, std::vector<uint32_t> siblings);

// Writes the 128-byte form of entry into out. An unused entry is all zero except for
// its three links, which are kNoStream.
void SerializeDirectoryEntry(const DirectoryEntry& entry, uint8_t* out);

}  // namespace vlx
