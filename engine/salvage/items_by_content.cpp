#include "engine/salvage/items_by_content.h"

#include <algorithm>

#include "engine/salvage/chain_reader.h"
#include "engine/salvage/record_extent.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/small_stream_kinds.h"

namespace vlx::salvage {
namespace {

void KeepLonger(std::vector<CompoundItem>& items, const char16_t* name, uint32_t head,
                uint64_t size) {
  if (size == 0) return;
  for (CompoundItem& item : items) {
    if (item.path[0] != name) continue;
    if (size > item.size) {
      item.start_sector = head;
      item.size = size;
    }
    return;
  }
  CompoundItem item;
  item.path = {name};
  item.start_sector = head;
  item.size = size;
  items.push_back(item);
}

}  // namespace

std::vector<CompoundItem> ItemsByContent(DamagedFile& file, const SectorGeometry& geometry,
                                         const std::vector<uint32_t>& fat) {
  std::vector<CompoundItem> items;
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  for (uint32_t head : ChainHeads(fat, limit)) {
    std::vector<uint32_t> chain = FollowWholeChain(fat, head, limit);
    if (chain.empty()) continue;
    ChainReader reader = ChainReader::Regular(file, geometry, std::move(chain));
    const StreamReader read = [&](uint64_t at, uint8_t* out, size_t n) {
      return reader.Read(at, out, n);
    };
    // A stream in regular sectors holds at least the mini-stream cutoff; the rest of a
    // shorter run of records is the writer's padding.
    const auto at_least_cutoff = [](uint64_t n) {
      return n == 0 ? n : std::max<uint64_t>(n, 4096);
    };
    KeepLonger(items, u"PowerPoint Document", head,
               at_least_cutoff(DocumentStreamLength(read, reader.capacity())));
    KeepLonger(items, u"Pictures", head,
               at_least_cutoff(PicturesStreamLength(read, reader.capacity())));
    // The summaries, when they are too long for the mini stream.
    std::u16string summary;
    const uint64_t summary_length = PropertySetLength(read, reader.capacity(), &summary);
    if (summary_length > 0)
      KeepLonger(items, summary.c_str(), head,
                 std::min(reader.capacity(), at_least_cutoff(summary_length)));
  }
  return items;
}

std::vector<CompoundItem> ItemsByContentWithoutFat(DamagedFile& file,
                                                   const SectorGeometry& geometry) {
  std::vector<CompoundItem> items;
  const uint64_t length = file.GetLength();
  const uint64_t count = std::min<uint64_t>(geometry.SectorCount(length), kMaxRegularSector);
  for (uint64_t sector = 0; sector < count;) {
    const uint64_t start = geometry.SectorOffset(sector);
    const StreamReader read = [&](uint64_t at, uint8_t* out, size_t n) {
      return file.ReadAt(start + at, out, n);
    };
    const uint64_t available = length - start;
    const uint64_t document = CutDocumentStreamLength(read, available);
    const uint64_t pictures = document > 0 ? 0 : CutPicturesStreamLength(read, available);
    const auto head = static_cast<uint32_t>(sector);
    KeepLonger(items, u"PowerPoint Document", head, document);
    KeepLonger(items, u"Pictures", head, pictures);
    const uint64_t covered = std::max(document, pictures);
    sector += std::max<uint64_t>(1, covered / geometry.sector_size);
  }
  return items;
}

}  // namespace vlx::salvage
