#include "engine/storage/compound_layout.h"

#include "engine/storage/compound_format.h"

namespace vlx {
namespace {

uint64_t DivideRoundingUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) / unit;
}

uint64_t DifatSectorsFor(uint64_t fat_sectors) {
  if (fat_sectors <= cfb::kHeaderDifatEntries) return 0;
  return DivideRoundingUp(fat_sectors - cfb::kHeaderDifatEntries, cfb::kDifatEntriesPerSector);
}

}  // namespace

bool PlanCompoundLayout(uint64_t directory_entries, const std::vector<uint64_t>& stream_sizes,
                        CompoundLayout* layout) {
  CompoundLayout plan;
  plan.stream_start.resize(stream_sizes.size(), cfb::kEndOfChain);
  plan.in_mini_stream.resize(stream_sizes.size(), false);

  uint64_t mini_sectors = 0;
  uint64_t regular_stream_sectors = 0;
  for (size_t i = 0; i < stream_sizes.size(); ++i) {
    if (stream_sizes[i] < cfb::kMiniStreamCutoff) {
      plan.in_mini_stream[i] = true;
      mini_sectors += DivideRoundingUp(stream_sizes[i], cfb::kMiniSectorSize);
    } else {
      regular_stream_sectors += DivideRoundingUp(stream_sizes[i], cfb::kSectorSize);
    }
  }
  plan.mini_stream_size = mini_sectors * cfb::kMiniSectorSize;
  plan.directory_sectors =
      DivideRoundingUp(directory_entries * cfb::kDirectoryEntrySize, cfb::kSectorSize);
  plan.mini_fat_sectors = DivideRoundingUp(mini_sectors, cfb::kEntriesPerSector);
  plan.mini_stream_sectors = DivideRoundingUp(plan.mini_stream_size, cfb::kSectorSize);

  const uint64_t data_sectors = plan.directory_sectors + plan.mini_fat_sectors +
                                plan.mini_stream_sectors + regular_stream_sectors;
  // The FAT must also number its own sectors and the DIFAT sectors: grow until it does.
  uint64_t fat_sectors = DivideRoundingUp(data_sectors, cfb::kEntriesPerSector);
  for (;;) {
    const uint64_t needed = DivideRoundingUp(
        data_sectors + fat_sectors + DifatSectorsFor(fat_sectors), cfb::kEntriesPerSector);
    if (needed <= fat_sectors) break;
    fat_sectors = needed;
  }
  plan.fat_sectors = fat_sectors;
  plan.difat_sectors = DifatSectorsFor(fat_sectors);
  if (data_sectors + plan.fat_sectors + plan.difat_sectors > cfb::kMaxRegularSector) return false;

  plan.directory_start = plan.fat.AppendChain(plan.directory_sectors);
  plan.mini_fat_start = plan.fat.AppendChain(plan.mini_fat_sectors);
  plan.mini_stream_start = plan.fat.AppendChain(plan.mini_stream_sectors);
  for (size_t i = 0; i < stream_sizes.size(); ++i) {
    const uint64_t sectors = plan.in_mini_stream[i]
                                 ? DivideRoundingUp(stream_sizes[i], cfb::kMiniSectorSize)
                                 : DivideRoundingUp(stream_sizes[i], cfb::kSectorSize);
    plan.stream_start[i] =
        plan.in_mini_stream[i] ? plan.mini_fat.AppendChain(sectors) : plan.fat.AppendChain(sectors);
  }
  plan.fat_start = plan.fat.AppendMarked(plan.fat_sectors, cfb::kFatSector);
  plan.difat_start = plan.fat.AppendMarked(plan.difat_sectors, cfb::kDifatSector);

  *layout = std::move(plan);
  return true;
}

}  // namespace vlx
