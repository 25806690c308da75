#include "engine/storage/directory_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/storage/entry_name.h"

namespace vlx {
namespace {

// Builds the subtree of sorted[lo, hi) around its middle. Every level above
// full_levels is complete in such a tree, so colouring those nodes black and the
// nodes of the last, partial level red gives every path the same number of black nodes.
uint32_t LinkRange(std::vector<DirectoryEntry>& entries, const std::vector<uint32_t>& sorted,
                   size_t lo, size_t hi, int depth, int full_levels) {
  if (lo >= hi) return cfb::kNoStream;
  const size_t mid = lo + (hi - lo - 1) / 2;
  const uint32_t id = sorted[mid];
  const uint32_t left = LinkRange(entries, sorted, lo, mid, depth + 1, full_levels);
  const uint32_t right = LinkRange(entries, sorted, mid + 1, hi, depth + 1, full_levels);
  DirectoryEntry& node = entries[id];
  node.left = left;
  node.right = right;
  node.color = depth < full_levels ? cfb::NodeColor::kBlack : cfb::NodeColor::kRed;
  return id;
}

}  // namespace

uint32_t LinkSiblingTree(std::vector<DirectoryEntry>& entries, std::vector<uint32_t> siblings) {
  std::sort(siblings.begin(), siblings.end(), [&entries](uint32_t a, uint32_t b) {
    return CompareEntryNames(entries[a].name, entries[b].name) < 0;
  });
  // floor(log2(n + 1)) levels are complete.
  const int full_levels = static_cast<int>(std::bit_width(siblings.size() + 1)) - 1;
  return LinkRange(entries, siblings, 0, siblings.size(), 0, full_levels);
}

void SerializeDirectoryEntry(const DirectoryEntry& entry, uint8_t* out) {
  const std::span<uint8_t> bytes(out, cfb::kDirectoryEntrySize);
  std::memset(out, 0, cfb::kDirectoryEntrySize);
  if (entry.type != cfb::ObjectType::kUnused) {
    const size_t units = std::min<size_t>(entry.name.size(), cfb::kMaxEntryNameUnits);
    for (size_t i = 0; i < units; ++i) PutU16(bytes, 2 * i, entry.name[i]);
    PutU16(bytes, 0x40, static_cast<uint16_t>((units + 1) * 2));  // with the zero unit
    out[0x42] = static_cast<uint8_t>(entry.type);
    out[0x43] = static_cast<uint8_t>(entry.color);
    if (entry.type != cfb::ObjectType::kStream)
      std::copy(entry.clsid.begin(), entry.clsid.end(), out + 0x50);
    PutU32(bytes, 0x74, entry.start_sector);
    PutU32(bytes, 0x78, static_cast<uint32_t>(entry.size));
    PutU32(bytes, 0x7C, static_cast<uint32_t>(entry.size >> 32));
  }
  PutU32(bytes, 0x44, entry.left);
  PutU32(bytes, 0x48, entry.right);
  PutU32(bytes, 0x4C, entry.child);
}

}  // namespace vlx
