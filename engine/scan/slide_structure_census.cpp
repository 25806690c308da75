#include "engine/scan/slide_structure_census.h"

#include "engine/format/plausible_length.h"
#include "engine/job/messages.h"
#include "engine/scan/block_scanner.h"
#include "engine/scan/byte_match.h"

namespace vlx {
namespace {

constexpr size_t kBlockSize = 512;
constexpr size_t kGroup = 4 * kMatchWidth;  // positions classified per step

// Positions among the 16 starting at p whose header may be one of the collected
// kinds: a container mark with a wanted type's high byte, or the blip-store type.
// A superset of the real matches; ClassifyStructure decides.
uint32_t CandidateMask(const uint8_t* p) {
  const uint32_t containers =
      MatchAny16(p, {kContainerMark}) &
      MatchAny16(p + 3, {kTypePPDrawing >> 8, kTypeProgTags >> 8, kTypeMainMaster >> 8,
                         kTypeSlideListWithText >> 8});
  const uint32_t blip_stores =
      MatchAny16(p + 2, {kTypeBlipStore & 0xFF}) & MatchAny16(p + 3, {kTypeBlipStore >> 8});
  return containers | blip_stores;
}

}  // namespace

StructureKind ClassifyStructure(const RecordHeader& header, uint64_t file_length) {
  const bool container = header.first_byte() == kContainerMark;
  const bool plausible = IsPlausibleLength(header.length, file_length);
  if (container && header.type == kTypePPDrawing)
    return plausible ? StructureKind::kDrawing : StructureKind::kNone;
  if (container && header.type == kTypeProgTags)
    return plausible ? StructureKind::kProgTags : StructureKind::kNone;
  if (header.type == kTypeBlipStore && plausible) return StructureKind::kBlipStore;
  if (container && header.type == kTypeMainMaster && plausible) return StructureKind::kMainMaster;
  if (container && header.type == kTypeSlideListWithText && plausible)
    return StructureKind::kSlideList;
  return StructureKind::kNone;
}

FoundRecordList& StructureList(RecoveryJob& job, StructureKind kind) {
  switch (kind) {
    case StructureKind::kDrawing:
      return job.drawings;
    case StructureKind::kProgTags:
      return job.prog_tags;
    case StructureKind::kBlipStore:
      return job.blip_stores;
    case StructureKind::kMainMaster:
      return job.main_masters;
    case StructureKind::kSlideList:
    case StructureKind::kNone:
      break;
  }
  return job.slide_lists;
}

void ScanSlideStructures(RecoveryJob& job, DamagedFile& file) {
  const uint64_t length = job.file_length;
  auto consider = [&](uint64_t position, const uint8_t* header_bytes) {
    const RecordHeader header = RecordHeader::Decode(header_bytes);
    const StructureKind kind = ClassifyStructure(header, length);
    if (kind != StructureKind::kNone)
      StructureList(job, kind).Append(static_cast<int64_t>(position), header.length);
  };

  BlockScanner scanner(file, length, kBlockSize);
  while (scanner.Next()) {
    const uint64_t start = scanner.block_start();
    job.sink().SetProgress(Percent(start, length));
    const uint8_t* bytes = scanner.bytes();
    const size_t positions = scanner.positions();
    size_t i = 0;
    for (; i + kGroup <= positions; i += kGroup) {
      uint64_t mask = 0;
      for (size_t k = 0; k < kGroup; k += kMatchWidth)
        mask |= uint64_t{CandidateMask(bytes + i + k)} << k;
      for (; mask != 0; mask &= mask - 1) {
        const size_t at = i + static_cast<size_t>(__builtin_ctzll(mask));
        consider(start + at, bytes + at);
      }
    }
    for (; i < positions; ++i) consider(start + i, bytes + i);
  }
}

}  // namespace vlx
