#include "engine/salvage/mini_stream_by_content.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_types.h"
#include "engine/salvage/chain_reader.h"
#include "engine/salvage/record_extent.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/small_stream_kinds.h"

namespace vlx::salvage {
namespace {

constexpr uint64_t kMiniSectorSize = 64;

bool IsCurrentUserAt(ChainReader& mini, uint64_t at, uint64_t* size) {
  uint8_t b[kSmallStreamProbe] = {};
  if (mini.Read(at, b, sizeof b) < kRecordHeaderSize + 8 || !BeginsCurrentUser(b)) return false;
  const RecordHeader header = RecordHeader::Decode(b);
  if (header.length < 20 || header.length > 4096) return false;
  *size = CurrentUserLength(b);
  return true;
}

// The mini stream's bytes from at on, as a stream of their own.
StreamReader ReaderAt(ChainReader& mini, uint64_t at) {
  return [&mini, at](uint64_t offset, uint8_t* out, size_t n) {
    return mini.Read(at + offset, out, n);
  };
}

// A stream of the presentation beginning at at, sized by its records; 0 when none does.
uint64_t PresentationStreamLength(ChainReader& mini, uint64_t at, uint64_t cutoff,
                                  std::u16string* name) {
  uint8_t b[kRecordHeaderSize] = {};
  if (mini.Read(at, b, sizeof b) != sizeof b) return 0;
  const RecordHeader header = RecordHeader::Decode(b);
  const StreamReader read = [&](uint64_t offset, uint8_t* out, size_t n) {
    return mini.Read(at + offset, out, n);
  };
  const uint64_t available = std::min(cutoff - 1, mini.capacity() - at);
  if (header.type == kTypeDocument && (header.version_instance & 0xF) == 0xF) {
    *name = u"PowerPoint Document";
    return DocumentStreamLength(read, available);
  }
  const uint64_t pictures = PicturesStreamLength(read, available);
  if (pictures > 0) *name = u"Pictures";
  return pictures;
}

// The streams that begin on mini sectors of the chain, one after another. The mini
// sectors a stream found would fill were it written in a row are not looked at again for
// a presentation stream (whose records may read as one), but are for a Current User or a
// property set: a writer that left a small stream's mini sectors out of a row put another
// stream there, and those two are known by their first bytes beyond doubt.
std::vector<CompoundItem> StreamsInMiniStream(ChainReader& mini, uint64_t cutoff) {
  std::vector<CompoundItem> items;
  const auto named = [&](const std::u16string& name) {
    return std::any_of(items.begin(), items.end(),
                       [&](const CompoundItem& item) { return item.path[0] == name; });
  };
  uint64_t covered = 0;  // mini stream bytes below this lie in a stream found
  for (uint64_t at = 0; at + kRecordHeaderSize <= mini.capacity(); at += kMiniSectorSize) {
    std::u16string name;
    uint64_t size = 0;
    if (IsCurrentUserAt(mini, at, &size)) {
      name = u"Current User";
    } else if ((size = PropertySetLength(ReaderAt(mini, at), cutoff - 1, &name)) == 0 &&
               at >= covered) {
      size = PresentationStreamLength(mini, at, cutoff, &name);
    }
    if (size == 0 || named(name)) continue;
    CompoundItem item;
    item.path = {name};
    item.start_sector = static_cast<uint32_t>(at / kMiniSectorSize);
    item.size = size;
    items.push_back(item);
    covered =
        std::max(covered, at + (size + kMiniSectorSize - 1) / kMiniSectorSize * kMiniSectorSize);
  }
  return items;
}

}  // namespace

MiniStreamByContent FindMiniStreamByContent(DamagedFile& file, const SectorGeometry& geometry,
                                            const std::vector<uint32_t>& fat, uint32_t cutoff) {
  MiniStreamByContent found;
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  for (uint32_t head : ChainHeads(fat, limit)) {
    std::vector<uint32_t> chain = FollowWholeChain(fat, head, limit);
    if (chain.empty()) continue;
    const uint64_t capacity = uint64_t{chain.size()} * geometry.sector_size;
    ChainReader mini = ChainReader::Regular(file, geometry, std::move(chain));
    // A sector at a time, each of its mini sectors looked at in memory.
    bool holds_current_user = false;
    std::vector<uint8_t> sector(geometry.sector_size);
    for (uint64_t at = 0; !holds_current_user && at < capacity; at += sector.size()) {
      if (mini.Read(at, sector.data(), sector.size()) != sector.size()) break;
      for (size_t slot = 0; !holds_current_user && slot + kSmallStreamProbe <= sector.size();
           slot += kMiniSectorSize)
        holds_current_user = BeginsCurrentUser(&sector[slot]);
    }
    if (!holds_current_user) continue;
    found.mini_stream.start_sector = head;
    found.mini_stream.size = capacity;
    found.items = StreamsInMiniStream(mini, cutoff);
    return found;
  }
  return found;
}

}  // namespace vlx::salvage
