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

std::vector<DirectoryEntry> BuildDirectory(const std::vector<StreamContent>& streams,
                                           const CompoundLayout& layout) {
  std::vector<DirectoryEntry> entries(1 + streams.size());
  DirectoryEntry& root = entries[0];
  root.name = kRootName;
  root.type = cfb::ObjectType::kRoot;
  root.start_sector = layout.mini_stream_start;
  root.size = layout.mini_stream_size;
  std::vector<uint32_t> siblings;
  for (size_t i = 0; i < streams.size(); ++i) {
    DirectoryEntry& entry = entries[1 + i];
    entry.name = streams[i].name;
    entry.type = cfb::ObjectType::kStream;
    entry.start_sector = layout.stream_start[i];
    entry.size = streams[i].data->size();
    siblings.push_back(static_cast<uint32_t>(1 + i));
  }
  entries[0].child = LinkSiblingTree(entries, std::move(siblings));
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

bool WriteCompoundFile(int fd, const std::vector<StreamContent>& streams, std::string* error) {
  std::vector<uint64_t> sizes;
  for (const StreamContent& s : streams) sizes.push_back(s.data->size());
  const uint64_t entry_count = 1 + streams.size();
  CompoundLayout layout;
  if (!PlanCompoundLayout(entry_count, sizes, &layout)) {
    if (error != nullptr) *error = "the streams are too large for one compound file";
    return false;
  }
  const std::vector<DirectoryEntry> entries = BuildDirectory(streams, layout);

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
