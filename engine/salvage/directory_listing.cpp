#include "engine/salvage/directory_listing.h"

#include <unordered_set>

#include "engine/salvage/sector_chain.h"

namespace vlx::salvage {
namespace {

constexpr uint64_t kMaxGuessedDirectorySectors = 64;
// A presentation's directory holds a few dozen entries; a chain that runs on far beyond
// this (a root entry's old copy in some stream's sectors) is read no further.
constexpr uint64_t kMaxDirectoryEntries = 8192;
constexpr size_t kMaxDepth = 32;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;

std::vector<DirectoryEntryRecord> ReadEntries(DamagedFile& file, const SectorGeometry& geometry,
                                              const std::vector<uint32_t>& fat, uint32_t start) {
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  std::vector<uint32_t> sectors;
  if (!fat.empty()) sectors = FollowWholeChain(fat, start, limit);
  const uint64_t most = kMaxDirectoryEntries * 128 / geometry.sector_size;
  if (sectors.size() > most) sectors.resize(static_cast<size_t>(most));
  const bool guessing = sectors.empty();
  if (guessing) {
    for (uint64_t s = start; s < limit && s < start + kMaxGuessedDirectorySectors; ++s)
      sectors.push_back(static_cast<uint32_t>(s));
  }
  std::vector<DirectoryEntryRecord> entries;
  std::vector<uint8_t> sector(geometry.sector_size);
  for (uint32_t s : sectors) {
    file.ReadAt(geometry.SectorOffset(s), sector.data(), sector.size());
    std::vector<DirectoryEntryRecord> these;
    bool readable = true;
    for (size_t at = 0; at + 128 <= sector.size(); at += 128) {
      auto entry = ParseDirectoryEntry(&sector[at], geometry.sector_size);
      if (!entry) {
        readable = false;
        entry = DirectoryEntryRecord{};
      }
      these.push_back(std::move(*entry));
    }
    // Guessed sectors end at the first one that is not directory entries.
    if (guessing && !readable) break;
    entries.insert(entries.end(), these.begin(), these.end());
  }
  return entries;
}

class TreeWalk {
 public:
  TreeWalk(const std::vector<DirectoryEntryRecord>& entries, std::vector<CompoundItem>& items)
      : entries_(entries), items_(items) {}

  void Siblings(uint32_t id, const std::vector<std::u16string>& parent, size_t depth) {
    // Sibling trees are walked with an explicit stack: a damaged one may be long.
    std::vector<uint32_t> pending{id};
    while (!pending.empty()) {
      const uint32_t at = pending.back();
      pending.pop_back();
      if (at == kNoEntry || at >= entries_.size() || !seen_.insert(at).second) continue;
      const DirectoryEntryRecord& entry = entries_[at];
      if (entry.type != EntryType::kStream && entry.type != EntryType::kStorage) continue;
      pending.push_back(entry.right);
      pending.push_back(entry.left);
      CompoundItem item;
      item.path = parent;
      item.path.push_back(entry.name);
      item.type = entry.type;
      item.clsid = entry.clsid;
      item.start_sector = entry.start_sector;
      item.size = entry.size;
      items_.push_back(item);
      if (entry.type == EntryType::kStorage && depth < kMaxDepth)
        Siblings(entry.child, item.path, depth + 1);
    }
  }

 private:
  const std::vector<DirectoryEntryRecord>& entries_;
  std::vector<CompoundItem>& items_;
  std::unordered_set<uint32_t> seen_{0};
};

}  // namespace

DirectoryListing ReadDirectory(DamagedFile& file, const SectorGeometry& geometry,
                               const std::vector<uint32_t>& fat, uint32_t start) {
  DirectoryListing listing;
  const std::vector<DirectoryEntryRecord> entries = ReadEntries(file, geometry, fat, start);
  if (entries.empty() || entries[0].type != EntryType::kRoot) return listing;
  listing.root = entries[0];
  TreeWalk(entries, listing.items).Siblings(entries[0].child, {}, 0);
  return listing;
}

}  // namespace vlx::salvage
