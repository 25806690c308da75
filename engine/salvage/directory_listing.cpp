#include "engine/salvage/directory_listing.h"

#include <algorithm>
#include <optional>
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
constexpr size_t kMaxLostDirectoryCandidates = 4096;
constexpr int kMaxLostDirectorySectors = 16;
constexpr uint64_t kMaxDirectoryPosition = 1024;
constexpr uint64_t kLostDirectoryReach = 16384;  // sectors either side of the directory

// The entries of one directory sector; readable is false when one of them is not an
// entry at all.
std::vector<DirectoryEntryRecord> SectorEntries(DamagedFile& file, const SectorGeometry& geometry,
                                                uint32_t s, bool* readable) {
  std::vector<uint8_t> sector(geometry.sector_size);
  const bool whole =
      file.ReadAt(geometry.SectorOffset(s), sector.data(), sector.size()) == sector.size();
  std::vector<DirectoryEntryRecord> these;
  *readable = whole;
  for (size_t at = 0; at + 128 <= sector.size(); at += 128) {
    auto entry = whole ? ParseDirectoryEntry(&sector[at], geometry.sector_size) : std::nullopt;
    if (!entry) {
      *readable = false;
      entry = DirectoryEntryRecord{};
    }
    these.push_back(std::move(*entry));
  }
  return these;
}

struct DirectoryEntries {
  std::vector<DirectoryEntryRecord> entries;
  std::vector<uint32_t> sectors;  // the sectors read, in directory order
  bool guessed = false;           // no chain: the sectors after the first were taken
};

DirectoryEntries ReadEntries(DamagedFile& file, const SectorGeometry& geometry,
                             const std::vector<uint32_t>& fat, uint32_t start) {
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  DirectoryEntries read;
  std::vector<uint32_t> sectors;
  if (!fat.empty()) sectors = FollowWholeChain(fat, start, limit);
  const uint64_t most = kMaxDirectoryEntries * 128 / geometry.sector_size;
  if (sectors.size() > most) sectors.resize(static_cast<size_t>(most));
  read.guessed = sectors.empty();
  if (read.guessed) {
    for (uint64_t s = start; s < limit && s < start + kMaxGuessedDirectorySectors; ++s)
      sectors.push_back(static_cast<uint32_t>(s));
  }
  for (uint32_t s : sectors) {
    bool readable = true;
    std::vector<DirectoryEntryRecord> these = SectorEntries(file, geometry, s, &readable);
    // Guessed sectors end at the first one that is not directory entries.
    if (read.guessed && !readable) break;
    read.entries.insert(read.entries.end(), these.begin(), these.end());
    read.sectors.push_back(s);
  }
  return read;
}

bool IsElement(const DirectoryEntryRecord& entry) {
  return entry.type == EntryType::kStream || entry.type == EntryType::kStorage;
}

// The entry numbers the tree reaches from the root that lie past the entries read.
std::vector<uint32_t> MissingEntries(const std::vector<DirectoryEntryRecord>& entries) {
  std::vector<uint32_t> missing;
  std::unordered_set<uint32_t> seen{0};
  std::vector<uint32_t> pending{entries[0].child};
  while (!pending.empty()) {
    const uint32_t id = pending.back();
    pending.pop_back();
    if (id == kNoEntry || !seen.insert(id).second) continue;
    if (id >= entries.size()) {
      missing.push_back(id);
      continue;
    }
    const DirectoryEntryRecord& entry = entries[id];
    if (!IsElement(entry)) continue;
    for (uint32_t next : {entry.left, entry.right, entry.child}) pending.push_back(next);
  }
  return missing;
}

// Where the directory's chain is lost, its first sectors are read in file order; a
// directory sector written elsewhere (the directory grew after other streams) is then
// missing, and the tree names entries in it. Such a sector is found by its content: a
// sector of the file that reads wholly as directory entries, holds an element where
// the missing one would be, and is not already read; the first after the directory's
// last sector (in file order, from there round) is taken. One pass over the sectors
// around the directory's finds those that may be directory sectors.
void FindLostDirectorySectors(DamagedFile& file, const SectorGeometry& geometry,
                              DirectoryEntries& read) {
  const uint32_t per_sector = geometry.sector_size / 128;
  std::vector<uint32_t> missing = MissingEntries(read.entries);
  if (missing.empty()) return;
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  std::unordered_set<uint32_t> taken(read.sectors.begin(), read.sectors.end());
  std::vector<std::pair<uint32_t, std::vector<DirectoryEntryRecord>>> candidates;
  // The sectors near the directory's own: a disk image may hold many files, each of
  // them read here for every root entry found in it.
  const uint64_t from =
      read.sectors.front() > kLostDirectoryReach ? read.sectors.front() - kLostDirectoryReach : 0;
  const uint64_t to =
      std::min<uint64_t>(limit, uint64_t{read.sectors.back()} + kLostDirectoryReach);
  for (uint64_t s = from; s < to && candidates.size() < kMaxLostDirectoryCandidates; ++s) {
    if (taken.count(static_cast<uint32_t>(s)) != 0) continue;
    bool readable = false;
    std::vector<DirectoryEntryRecord> these =
        SectorEntries(file, geometry, static_cast<uint32_t>(s), &readable);
    const bool root = std::any_of(these.begin(), these.end(),
                                  [](const auto& entry) { return entry.type == EntryType::kRoot; });
    if (readable && !root && std::any_of(these.begin(), these.end(), IsElement))
      candidates.push_back({static_cast<uint32_t>(s), std::move(these)});
  }
  const uint32_t after = read.sectors.back();
  for (int round = 0; round < kMaxLostDirectorySectors && !missing.empty(); ++round) {
    const uint32_t id = *std::min_element(missing.begin(), missing.end());
    const uint64_t position = id / per_sector;
    if (position > kMaxDirectoryPosition) return;
    const auto order = [&](uint32_t s) { return s > after ? s - after : s + limit; };
    // An element already read is not named again: a sector that repeats one is an
    // older copy of a sector read.
    const auto new_element = [&](const DirectoryEntryRecord& entry) {
      return IsElement(entry) &&
             std::none_of(read.entries.begin(), read.entries.end(), [&](const auto& known) {
               return IsElement(known) && known.name == entry.name;
             });
    };
    const std::pair<uint32_t, std::vector<DirectoryEntryRecord>>* best = nullptr;
    for (const auto& candidate : candidates)
      if (taken.count(candidate.first) == 0 && new_element(candidate.second[id % per_sector]) &&
          (!best || order(candidate.first) < order(best->first)))
        best = &candidate;
    if (!best) return;
    taken.insert(best->first);
    if (read.entries.size() < (position + 1) * per_sector)
      read.entries.resize((position + 1) * per_sector);
    std::copy(best->second.begin(), best->second.end(),
              read.entries.begin() + position * per_sector);
    missing = MissingEntries(read.entries);
  }
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
  DirectoryEntries read = ReadEntries(file, geometry, fat, start);
  if (read.entries.empty() || read.entries[0].type != EntryType::kRoot) return listing;
  if (read.guessed) FindLostDirectorySectors(file, geometry, read);
  const std::vector<DirectoryEntryRecord>& entries = read.entries;
  listing.root = entries[0];
  TreeWalk(entries, listing.items).Siblings(entries[0].child, {}, 0);
  return listing;
}

}  // namespace vlx::salvage
