#include "engine/salvage/stream_signatures.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/salvage/chain_reader.h"
#include "engine/salvage/sector_chain.h"

namespace vlx::salvage {
namespace {

bool BeginsRight(std::u16string_view name, const uint8_t* b) {
  const uint16_t type = LoadU16(b + 2);
  if (name == u"PowerPoint Document") return type >= kTypeDocument && type < 0x2000;
  if (name == u"Current User") return type == kTypeCurrentUserAtom;
  if (name == u"Pictures") return type == 0xF007 || (type >= 0xF018 && type <= 0xF117);
  if (name == u"\x05SummaryInformation" || name ==
                                               u"\x05"
                                               u"DocumentSummaryInformation")
    return b[0] == 0xFE && b[1] == 0xFF;
  return false;
}

bool Known(std::u16string_view name) {
  return name == u"PowerPoint Document" || name == u"Current User" || name == u"Pictures" ||
         name == u"\x05SummaryInformation" ||
         name ==
             u"\x05"
             u"DocumentSummaryInformation";
}

}  // namespace

size_t StreamsThatBeginRight(DamagedFile& file, const SectorGeometry& geometry,
                             const std::vector<uint32_t>& fat, const DirectoryListing& listing,
                             uint32_t mini_stream_cutoff) {
  const uint64_t limit = geometry.SectorCount(file.GetLength());
  const uint64_t mini_sectors =
      (listing.root.size + geometry.sector_size - 1) / geometry.sector_size;
  ChainReader mini = ChainReader::Regular(
      file, geometry, ChainSectors(fat, listing.root.start_sector, mini_sectors, limit).sectors);
  size_t right = 0;
  for (const CompoundItem& item : listing.items) {
    if (item.type != EntryType::kStream || item.path.size() != 1 || !Known(item.path[0]) ||
        item.size < 8)
      continue;
    uint8_t first[8] = {};
    if (item.size >= mini_stream_cutoff) {
      if (item.start_sector >= limit) continue;
      file.ReadAt(geometry.SectorOffset(item.start_sector), first, sizeof first);
    } else {
      mini.Read(uint64_t{item.start_sector} * 64, first, sizeof first);
    }
    if (BeginsRight(item.path[0], first)) ++right;
  }
  return right;
}

}  // namespace vlx::salvage
