#include "engine/storage/compound_file_output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/storage/buffered_file_writer.h"
#include "engine/storage/compound_format.h"
#include "engine/storage/compound_header.h"
#include "engine/storage/compound_layout.h"
#include "engine/storage/directory_tree.h"

namespace vlx {
namespace {

constexpr char16_t kRootName[] = u"Root Entry";

// Entry ids: 0 the root, then the storages, then the streams. Each storage's children
// form one sibling tree.
std::vector<DirectoryEntry> BuildDirectory(const std::vector<StreamContent>& streams,
                                           const StorageTree& tree, const CompoundLayout& layout) {
  const size_t storage_count = tree.storages.size();
  std::vector<DirectoryEntry> entries(1 + storage_count + streams.size());
  DirectoryEntry& root = entries[0];
  root.name = kRootName;
  root.type = cfb::ObjectType::kRoot;
  root.clsid = tree.root_clsid;
  root.start_sector = layout.mini_stream_start;
  root.size = layout.mini_stream_size;
  // children[0] holds the root's, children[1 + i] those of storage i.
  std::vector<std::vector<uint32_t>> children(1 + storage_count);
  const auto parent_slot = [&](uint32_t parent) {
    return parent == kRootStorage || parent >= storage_count ? size_t{0} : size_t{parent} + 1;
  };
  for (size_t i = 0; i < storage_count; ++i) {
    DirectoryEntry& entry = entries[1 + i];
    entry.name = tree.storages[i].name;
    entry.type = cfb::ObjectType::kStorage;
    entry.clsid = tree.storages[i].clsid;
    entry.start_sector = 0;
    // A storage names only earlier storages as its parent: no cycle can form.
    const uint32_t parent = tree.storages[i].parent < i ? tree.storages[i].parent : kRootStorage;
    children[parent_slot(parent)].push_back(static_cast<uint32_t>(1 + i));
  }
  for (size_t i = 0; i < streams.size(); ++i) {
    DirectoryEntry& entry = entries[1 + storage_count + i];
    entry.name = streams[i].name;
    entry.type = cfb::ObjectType::kStream;
    entry.start_sector = layout.stream_start[i];
    entry.size = streams[i].data->size();
    children[parent_slot(streams[i].parent)].push_back(
        static_cast<uint32_t>(1 + storage_count + i));
  }
  for (size_t slot = 0; slot < children.size(); ++slot) {
    const uint32_t top = LinkSiblingTree(entries, std::move(children[slot]));
    entries[slot == 0 ? 0 : slot].child = top;
  }
  entries[0].color = cfb::NodeColor::kBlack;
  return entries;
}

// Copies one stream's bytes through a 64 KiB buffer.
bool PutStream(BufferedFileWriter& out, const StreamSpool& data, std::vector<uint8_t>& buffer,
               std::string* error) {
  for (uint64_t offset = 0; offset < data.size();) {
    const size_t take =
        static_cast<size_t>(std::min<uint64_t>(buffer.size(), data.size() - offset));
    if (!data.ReadAt(offset, buffer.data(), take, error)) return false;
    if (!out.Put(buffer.data(), take)) break;
    offset += take;
  }
  return out.error().empty();
}

}  // namespace

bool WriteCompoundFile(int fd, const std::vector<StreamContent>& streams, std::string* error,
                       const StorageTree& tree) {
  std::vector<uint64_t> sizes;
  for (const StreamContent& s : streams) sizes.push_back(s.data->size());
  const uint64_t entry_count = 1 + tree.storages.size() + streams.size();
  CompoundLayout layout;
  if (!PlanCompoundLayout(entry_count, sizes, &layout)) {
    if (error != nullptr) *error = "the streams are too large for one compound file";
    return false;
  }
  const std::vector<DirectoryEntry> entries = BuildDirectory(streams, tree, layout);

  BufferedFileWriter out(fd, 0);
  uint8_t block[cfb::kSectorSize];
  SerializeCompoundHeader(layout, block);
  out.Put(block, sizeof block);

  const DirectoryEntry unused;
  for (uint64_t i = 0; i < layout.directory_sectors * cfb::kDirectoryEntriesPerSector; ++i) {
    SerializeDirectoryEntry(i < entries.size() ? entries[i] : unused, block);
    out.Put(block, cfb::kDirectoryEntrySize);
  }
  for (uint64_t i = 0; i < layout.mini_fat_sectors; ++i) {
    layout.mini_fat.SerializeSector(i, block);
    out.Put(block, sizeof block);
  }

  std::vector<uint8_t> buffer(size_t{1} << 16);
  std::string read_error;
  bool read_ok = true;
  for (size_t i = 0; i < streams.size() && read_ok; ++i) {
    if (!layout.in_mini_stream[i]) continue;
    read_ok = PutStream(out, *streams[i].data, buffer, &read_error);
    out.PadTo(cfb::kMiniSectorSize);
  }
  out.PadTo(cfb::kSectorSize);
  for (size_t i = 0; i < streams.size() && read_ok; ++i) {
    if (layout.in_mini_stream[i]) continue;
    read_ok = PutStream(out, *streams[i].data, buffer, &read_error);
    out.PadTo(cfb::kSectorSize);
  }
  for (uint64_t i = 0; i < layout.fat_sectors; ++i) {
    layout.fat.SerializeSector(i, block);
    out.Put(block, sizeof block);
  }
  for (uint64_t i = 0; i < layout.difat_sectors; ++i) {
    SerializeDifatSector(layout, i, block);
    out.Put(block, sizeof block);
  }
  out.Flush();

  if (!read_ok || !out.error().empty()) {
    if (error != nullptr) *error = out.error().empty() ? read_error : out.error();
    return false;
  }
  const uint64_t expected = (1 + layout.total_sectors()) * cfb::kSectorSize;
  if (out.written() != expected) {
    if (error != nullptr) *error = "internal layout mismatch";
    return false;
  }
  if (::ftruncate(fd, static_cast<off_t>(expected)) != 0) {
    if (error != nullptr)
      *error = std::string("cannot set the file length: ") + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vlx
