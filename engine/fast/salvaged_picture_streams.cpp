#include "engine/fast/salvaged_picture_streams.h"

#include <algorithm>
#include <set>
#include <vector>

#include "engine/fast/sector_stream_source.h"
#include "engine/fast/stream_candidate.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/salvage_plan.h"
#include "engine/salvage/shared_salvage_plans.h"

namespace vlx {
namespace {

bool InFileOrder(const std::vector<uint32_t>& sectors) {
  for (size_t i = 1; i < sectors.size(); ++i)
    if (sectors[i] != sectors[i - 1] + 1) return false;
  return true;
}

bool IsPicturesStream(const salvage::SalvagePlan& plan, const salvage::CompoundItem& item) {
  return item.type == salvage::EntryType::kStream && item.path.size() == 1 &&
         item.path[0] == kPicturesStreamName && item.size >= plan.mini_stream_cutoff;
}

}  // namespace

bool SalvagedPictureStreams::ForEach(DamagedFile& file,
                                     const std::function<bool(ByteSource&)>& search) {
  std::set<std::vector<uint32_t>> searched;
  for (const salvage::SalvagePlan& plan : salvage::SalvagePlansOf(job_, file)) {
    for (const salvage::CompoundItem& item : plan.items) {
      if (!IsPicturesStream(plan, item)) continue;
      bool stitched = false;
      salvage::StreamSectors sectors = salvage::RegularStreamSectors(file, plan, item, &stitched);
      if (sectors.sectors.empty() || InFileOrder(sectors.sectors)) continue;
      if (!searched.insert(sectors.sectors).second) continue;
      SectorStreamSource source(file, plan.geometry, std::move(sectors.sectors), item.size);
      if (!search(source)) return false;
    }
  }
  return true;
}

}  // namespace vlx
