#include "engine/salvage/mini_fat_choice.h"

#include <algorithm>

#include "engine/format/byte_order.h"
#include "engine/salvage/chain_reader.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/salvage/sector_chain.h"

namespace vlx::salvage {
namespace {

constexpr size_t kMaxCandidates = 9;
constexpr uint64_t kMiniSectorSize = 64;

std::vector<uint32_t> ReadTable(DamagedFile& file, const SalvagePlan& plan, uint32_t start,
                                uint32_t header_sectors) {
  const uint64_t limit = plan.geometry.SectorCount(file.GetLength());
  std::vector<uint32_t> sectors;
  if (!plan.fat.empty()) sectors = FollowWholeChain(plan.fat, start, limit);
  if (sectors.empty()) {
    for (uint64_t s = start;
         s < limit && s < uint64_t{start} + std::max<uint32_t>(header_sectors, 1); ++s)
      sectors.push_back(static_cast<uint32_t>(s));
  }
  // Entries past the mini stream's last sector number nothing that can be read: a chain
  // that runs on (a candidate in the middle of some stream's chain) is read no further
  // than the table the mini stream needs.
  const uint64_t entries = (plan.mini_stream.size + kMiniSectorSize - 1) / kMiniSectorSize;
  const uint64_t needed =
      std::max<uint64_t>({(4 * entries + plan.geometry.sector_size - 1) / plan.geometry.sector_size,
                          uint64_t{header_sectors}, 1});
  if (sectors.size() > needed) sectors.resize(static_cast<size_t>(needed));
  ChainReader reader = ChainReader::Regular(file, plan.geometry, std::move(sectors));
  std::vector<uint8_t> bytes(reader.capacity());
  reader.Read(0, bytes.data(), bytes.size());
  std::vector<uint32_t> table(bytes.size() / 4);
  for (size_t i = 0; i < table.size(); ++i) table[i] = LoadU32(&bytes[4 * i]);
  return table;
}

// Small streams whose mini chains have exactly their length under table.
size_t WholeChains(const SalvagePlan& plan, const std::vector<uint32_t>& table) {
  size_t whole = 0;
  for (const CompoundItem& item : plan.items) {
    if (item.type != EntryType::kStream || item.size == 0 || item.size >= plan.mini_stream_cutoff)
      continue;
    const uint64_t count = (item.size + kMiniSectorSize - 1) / kMiniSectorSize;
    if (FollowWholeChain(table, item.start_sector, count).size() == count) ++whole;
  }
  return whole;
}

}  // namespace

std::vector<uint32_t> ChooseMiniFat(DamagedFile& file, const SalvagePlan& plan,
                                    const MiniFatSources& sources) {
  std::vector<uint32_t> starts;
  if (IsRegularSector(sources.header_start)) starts.push_back(sources.header_start);
  for (uint32_t s : sources.table_like_sectors) {
    if (starts.size() == kMaxCandidates) break;
    starts.push_back(s);
  }
  std::vector<uint32_t> best;
  size_t best_whole = 0;
  for (uint32_t start : starts) {
    std::vector<uint32_t> table = ReadTable(file, plan, start, sources.header_sectors);
    const size_t whole = WholeChains(plan, table);
    if (whole > best_whole) {
      best_whole = whole;
      best = std::move(table);
    }
  }
  return best;
}

}  // namespace vlx::salvage
